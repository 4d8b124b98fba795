// The font the LCD's text is read with: GNU Unifont's .hex file (Debian package unifont), or the
// .hex file the environment variable KESTREL_UNIFONT names, which the system draws with too.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "tools/handset-sim/GlyphIndex.h"

namespace handset_sim {

inline constexpr const char* kUnifontVariable = "KESTREL_UNIFONT";
inline constexpr std::string_view kDefaultUnifontPath = "/usr/share/unifont/unifont.hex";
// Unifont is under 4 MB; the bound keeps a variable that names a device or a huge file from
// holding the reader up.
inline constexpr std::uintmax_t kMaxFontFileBytes = 64 * 1024 * 1024;

struct LoadedFont {
    std::filesystem::path path;
    GlyphIndex glyphs;
    // Empty when the file was read; otherwise one line that says what is wrong with which file
    // and what to install. The index is empty then, so that every cell reads as '?'.
    std::string problem;
};

// The file to read: `variable` (the value of KESTREL_UNIFONT, nullptr when it is unset), or the
// default when it is unset or empty.
std::filesystem::path UnifontPath(const char* variable);

// Reads and indexes the .hex file at `path`. A file that cannot be read, is over
// kMaxFontFileBytes, or holds no glyph line gives an empty index and the problem.
LoadedFont LoadFont(const std::filesystem::path& path);

// The process's font, loaded at the first call from any thread and kept. Its problem, if it has
// one, is written once on standard error.
const LoadedFont& Unifont();

}  // namespace handset_sim
