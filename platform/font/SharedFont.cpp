// Loading the font file, and the one font of the process.
#include "platform/font/SharedFont.h"

#include <cstdio>
#include <cstdlib>

#include "platform/files/AtomicFile.h"
#include "platform/log/DebugLog.h"

namespace platform {
namespace {

// Unifont's plane 0 is 3.7 MB; all its planes together stay well below this.
constexpr std::size_t kMaxFontFileBytes = 32u << 20;

}  // namespace

std::filesystem::path FontFilePath() {
    const char* named = std::getenv(kFontFileVariable);
    return named != nullptr && *named != '\0' ? std::filesystem::path(named)
                                              : std::filesystem::path(kDefaultFontFile);
}

HexFont LoadFontFile(const std::filesystem::path& file, std::string& problem) {
    const FileContent content = ReadWholeFile(file, kMaxFontFileBytes);
    switch (content.status) {
        case FileReadStatus::kRead:
            break;
        case FileReadStatus::kMissing:
            problem = "the LCD font " + file.native() + " does not exist";
            return {};
        case FileReadStatus::kFailed:
            problem = "the LCD font " + file.native() +
                      " cannot be read (not a readable file, or over 32 MiB)";
            return {};
    }
    HexFont font = HexFont::Parse(content.bytes);
    if (font.GlyphCount() == 0) {
        problem = "the LCD font " + file.native() + " holds no glyph in the .hex format";
    }
    return font;
}

const HexFont& SharedFont() {
    static const HexFont font = [] {
        std::string problem;
        HexFont loaded = LoadFontFile(FontFilePath(), problem);
        if (!problem.empty()) {
            // The handset would show blank screens without a word otherwise.
            const std::string line = "kestrel: " + EscapeControl(problem) +
                                     "; the LCD shows no text (install the Debian package "
                                     "unifont, or name a .hex font in " +
                                     kFontFileVariable + ")\n";
            std::fputs(line.c_str(), stderr);
        }
        return loaded;
    }();
    return font;
}

}  // namespace platform
