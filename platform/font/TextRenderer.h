// Text drawn into a one-bit bitmap, as the LCD toolkit uses a memory device context: every
// character a cell of the font's width and 16 pixels high, painted opaque (black glyph on white).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/font/HexFont.h"
#include "platform/font/SharedFont.h"

namespace platform {

// A one-bit bitmap, white where nothing was drawn.
class MonoBitmap {
  public:
    MonoBitmap(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // False outside the bitmap.
    bool IsBlack(int x, int y) const;
    // Row y (0 <= y < Height()): Width() bytes, 1 black, 0 white.
    std::uint8_t* Row(int y) {
        return pixels_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
    }
    const std::uint8_t* Row(int y) const {
        return pixels_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
    }

  private:
    int width_;
    int height_;
    std::vector<std::uint8_t> pixels_;  // one byte a pixel, 1 black
};

// Draws `text` from its top-left corner (x, y): each character's cell painted white and its
// glyph black; NUL a blank half-width cell; a character `font` lacks its replacement glyph.
// Whatever falls outside the bitmap is clipped.
void TextOut(MonoBitmap& bitmap, int x, int y, std::wstring_view text,
             const HexFont& font = SharedFont());

// How many 8-pixel cells TextOut gives `text`: a full-width character 2, NUL 1.
std::size_t TextCells(std::wstring_view text, const HexFont& font = SharedFont());

}  // namespace platform
