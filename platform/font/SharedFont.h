// The LCD font of the process: GNU Unifont, read once, on first use, and shared by every mode.
#pragma once

#include <filesystem>
#include <string>

#include "platform/font/HexFont.h"

namespace platform {

// Debian's unifont package installs it here; KESTREL_UNIFONT may name another .hex file.
inline constexpr const char* kDefaultFontFile = "/usr/share/unifont/unifont.hex";
inline constexpr const char* kFontFileVariable = "KESTREL_UNIFONT";

// The file the process reads its font from.
std::filesystem::path FontFilePath();

// Reads and parses a .hex font file. On failure the font is empty and `problem` says what is
// wrong, naming the file.
HexFont LoadFontFile(const std::filesystem::path& file, std::string& problem);

// The font of FontFilePath(), loaded on the first call from any thread. A file that cannot be
// read gives one message on stderr and an empty font, whose text draws as blank cells.
const HexFont& SharedFont();

}  // namespace platform
