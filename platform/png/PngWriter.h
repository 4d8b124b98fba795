// PNG pictures: the one place that turns pixels into a PNG file or a PNG in memory (libpng).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

namespace platform {

enum class PngPixels {
    kGrey1,  // 1 bit a pixel, 8 to a byte, leftmost pixel in the top bit; 1 white, 0 black
    kGrey8,  // 1 byte a pixel; 0 black, 255 white
    kRgb8,   // 3 bytes a pixel: red, green, blue
};

// An image to write: `height` rows top to bottom, each PngRowBytes(width, format) bytes, with
// nothing between rows. The file keeps the format (a kGrey1 image is a 1-bit PNG).
struct PngImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    PngPixels format = PngPixels::kGrey8;
    std::span<const std::uint8_t> pixels;
};

// The largest width and height taken: libpng's own default limit.
inline constexpr std::uint32_t kMaxPngSide = 1000000;

std::size_t PngRowBytes(std::uint32_t width, PngPixels format);

enum class PngResult {
    kOk,
    kBadImage,      // width or height 0 or above kMaxPngSide, or pixels not the size they must be
    kEncodeFailed,  // libpng gave up (out of memory)
    kWriteFailed,   // the file could not be written or renamed into place
};
std::string_view ToString(PngResult result);

// Encodes `image` into `png`, which is replaced; on failure `png` is left empty.
PngResult EncodePng(const PngImage& image, std::vector<std::uint8_t>& png);

// Writes `image` as the PNG file `path`: written beside it and renamed over it, so that a viewer
// reading it meanwhile sees the old picture or the new one, never half of one. On failure the
// file at `path` is as it was.
PngResult WritePngFile(const std::filesystem::path& path, const PngImage& image);

}  // namespace platform
