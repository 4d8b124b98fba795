// Tests' reading of a PNG back into pixels, with libpng, so that no test decodes PNG by hand.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform {

struct ReadBackPng {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitDepth = 0;  // as the file's header says
    bool colour = false;
    // Rows top to bottom, one byte a pixel for grey, three (R, G, B) for colour; a 1-bit
    // picture reads as 0 and 255.
    std::vector<std::uint8_t> pixels;
};

// Nothing when libpng does not take `png` for a whole, valid PNG.
std::optional<ReadBackPng> ReadPngBack(std::span<const std::uint8_t> png);

}  // namespace platform
