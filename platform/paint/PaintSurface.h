// What a window paints into (the device context of a paint): a width, a height and pixels; and
// the system colours of dialogs.
#pragma once

#include <cstdint>

namespace platform {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};

// The desktop's defaults for dialog faces and the light and dark edges of 3-D frames.
inline constexpr Rgb kButtonFace{240, 240, 240};
inline constexpr Rgb kButtonHighlight{255, 255, 255};
inline constexpr Rgb kButtonShadow{160, 160, 160};

// Implemented over an image in memory, and by a console over its widget's image.
class PaintSurface {
  public:
    virtual ~PaintSurface() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // A pixel outside the surface, negative coordinates included, is ignored.
    virtual void SetPixel(int x, int y, Rgb colour) = 0;
};

}  // namespace platform
