// libFuzzer target: the bitmap reader on arbitrary files.
//
// Checks: nothing crashes or reads outside the file; short files are refused; a picture lights
// no pixel outside its own width and height.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "modebase/ScreenFiles.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

std::int32_t Field(std::string_view file, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(file[at + i])) << (8 * i);
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const auto picture = DecodePicture(file);
    if (size < 54) {
        Check(!picture);
        return 0;
    }
    if (!picture) {
        return 0;
    }
    const std::int32_t width = Field(file, 18);
    const std::int32_t height = Field(file, 22);
    Check(width > 0 && height > 0);
    for (std::size_t byte = 0; byte < picture->size(); ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            if ((*picture)[byte] >> bit & 1) {
                Check(static_cast<std::int32_t>(byte % 128) < width);
                Check(static_cast<std::int32_t>(byte / 128 * 8 + static_cast<std::size_t>(bit)) <
                      height);
            }
        }
    }
    return 0;
}
