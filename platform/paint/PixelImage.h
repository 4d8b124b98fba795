// An RGB image in memory to paint into, readable pixel by pixel and writable as a PNG.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/paint/PaintSurface.h"
#include "platform/png/PngWriter.h"

namespace platform {

class PixelImage final : public PaintSurface {
  public:
    // Every pixel `background`; a negative width or height counts as 0.
    PixelImage(int width, int height, Rgb background);

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetPixel(int x, int y, Rgb colour) override;
    // Throws std::out_of_range outside the image.
    Rgb Pixel(int x, int y) const;

    // The pixels as kRgb8 rows for the PNG layer; valid while the image lives unchanged.
    PngImage Png() const;

  private:
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    std::size_t Offset(int x, int y) const;

    int width_;
    int height_;
    std::vector<std::uint8_t> rgb_;
};

}  // namespace platform
