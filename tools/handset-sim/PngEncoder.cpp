// PNG pictures of the LCD: the screen's pages turned into picture rows, one bit a pixel.
#include "tools/handset-sim/PngEncoder.h"

#include <algorithm>

namespace handset_sim {
namespace {

struct Picture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rows;
    platform::PngImage Image() const { return {width, height, platform::PngPixels::kGrey1, rows}; }
};

// In a 1-bit PNG, 1 is white and the leftmost pixel is the top bit.
Picture Pixels(const Screen& lcd, unsigned scale) {
    scale = std::clamp(scale, 1u, kMaxPngScale);
    Picture picture;
    picture.width = static_cast<std::uint32_t>(kScreenWidth * scale);
    picture.height = static_cast<std::uint32_t>(kScreenHeight * scale);
    const std::size_t rowBytes = platform::PngRowBytes(picture.width, platform::PngPixels::kGrey1);
    picture.rows.assign(rowBytes * picture.height, 0);
    for (std::size_t y = 0; y < picture.height; ++y) {
        for (std::size_t x = 0; x < picture.width; ++x) {
            if (!IsDark(lcd, x / scale, y / scale)) {
                picture.rows[y * rowBytes + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    return picture;
}

}  // namespace

std::vector<std::uint8_t> EncodeLcdPng(const Screen& lcd, unsigned scale) {
    std::vector<std::uint8_t> png;
    platform::EncodePng(Pixels(lcd, scale).Image(), png);
    return png;
}

platform::PngResult WriteLcdPng(const std::filesystem::path& path, const Screen& lcd,
                                unsigned scale) {
    return platform::WritePngFile(path, Pixels(lcd, scale).Image());
}

}  // namespace handset_sim
