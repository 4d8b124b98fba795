// The in-memory RGB image: 3 bytes a pixel, rows top to bottom with nothing between them.
#include "platform/paint/PixelImage.h"

#include <algorithm>
#include <stdexcept>

namespace platform {

PixelImage::PixelImage(int width, int height, Rgb background)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {
    const std::size_t pixels = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    rgb_.reserve(pixels * 3);
    for (std::size_t i = 0; i < pixels; ++i) {
        rgb_.push_back(background.red);
        rgb_.push_back(background.green);
        rgb_.push_back(background.blue);
    }
}

std::size_t PixelImage::Offset(int x, int y) const {
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
            static_cast<std::size_t>(x)) *
           3;
}

void PixelImage::SetPixel(int x, int y, Rgb colour) {
    if (!Contains(x, y)) {
        return;
    }
    const std::size_t at = Offset(x, y);
    rgb_[at] = colour.red;
    rgb_[at + 1] = colour.green;
    rgb_[at + 2] = colour.blue;
}

Rgb PixelImage::Pixel(int x, int y) const {
    if (!Contains(x, y)) {
        throw std::out_of_range("pixel outside the image");
    }
    const std::size_t at = Offset(x, y);
    return {rgb_[at], rgb_[at + 1], rgb_[at + 2]};
}

PngImage PixelImage::Png() const {
    return {static_cast<std::uint32_t>(width_), static_cast<std::uint32_t>(height_),
            PngPixels::kRgb8, rgb_};
}

}  // namespace platform
