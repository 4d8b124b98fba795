// Finding and reading the .hex font, once per process.
#include "tools/handset-sim/UnifontFile.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>

#include "platform/log/DebugLog.h"

namespace handset_sim {
namespace {

// The whole file, or nothing when it cannot be read or is over the bound.
std::optional<std::string> ReadBounded(const std::filesystem::path& path, bool& tooLarge) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::string text;
    char chunk[1 << 16];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        text.append(chunk, static_cast<std::size_t>(file.gcount()));
        if (text.size() > kMaxFontFileBytes) {
            tooLarge = true;
            return std::nullopt;
        }
    }
    if (file.bad()) {
        return std::nullopt;
    }
    return text;
}

std::string Problem(const std::filesystem::path& path, std::string_view what) {
    std::string problem = "LCD text: ";
    problem.append(platform::EscapeControl(path.native())).append(" ").append(what);
    problem.append(
        " (the text is read with GNU Unifont: install the Debian package \"unifont\", or ");
    problem.append("name another .hex file in ").append(kUnifontVariable);
    problem.append("); every text cell reads as \"?\"");
    return problem;
}

}  // namespace

std::filesystem::path UnifontPath(const char* variable) {
    return variable != nullptr && *variable != '\0' ? std::filesystem::path(variable)
                                                    : std::filesystem::path(kDefaultUnifontPath);
}

LoadedFont LoadFont(const std::filesystem::path& path) {
    LoadedFont font;
    font.path = path;
    bool tooLarge = false;
    const std::optional<std::string> text = ReadBounded(path, tooLarge);
    if (!text) {
        std::string what = "cannot be read";
        if (tooLarge) {
            what = "is larger than ";
            what += std::to_string(kMaxFontFileBytes >> 20) + " MiB, not a .hex font";
        }
        font.problem = Problem(path, what);
        return font;
    }
    font.glyphs = GlyphIndex::FromHexText(*text);
    if (font.glyphs.NarrowCount() + font.glyphs.WideCount() == 0) {
        font.problem = Problem(path, "holds no glyph line, not a .hex font");
    }
    return font;
}

const LoadedFont& Unifont() {
    static const LoadedFont font = [] {
        LoadedFont loaded = LoadFont(UnifontPath(std::getenv(kUnifontVariable)));
        if (!loaded.problem.empty()) {
            std::cerr << loaded.problem << "\n";
        }
        return loaded;
    }();
    return font;
}

}  // namespace handset_sim
