// The text renderer over the .hex font.
#include "platform/font/TextRenderer.h"

#include <algorithm>

namespace platform {
namespace {

GlyphView GlyphOf(wchar_t character, const HexFont& font) {
    if (character == L'\0') {
        return HexFont::BlankHalfCell();
    }
    const auto code = static_cast<std::uint32_t>(character);
    return font.Find(static_cast<char32_t>(code)).value_or(font.Replacement());
}

}  // namespace

MonoBitmap::MonoBitmap(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)) {}

bool MonoBitmap::IsBlack(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return false;
    }
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                   static_cast<std::size_t>(x)] != 0;
}

void TextOut(MonoBitmap& bitmap, int x, int y, std::wstring_view text, const HexFont& font) {
    const int top = std::max(0, -y);
    const int bottom = std::min(kGlyphHeight, bitmap.Height() - y);
    for (const wchar_t character : text) {
        if (x >= bitmap.Width() || top >= bottom) {
            return;  // the rest is clipped: no need to look its glyphs up
        }
        const GlyphView glyph = GlyphOf(character, font);
        const int left = std::max(0, -x);
        const int right = std::min(glyph.width, bitmap.Width() - x);
        const std::size_t rowBytes = static_cast<std::size_t>(glyph.width / 8);
        for (int row = top; row < bottom; ++row) {
            // The glyph's row as one number, its leftmost pixel in bit width - 1.
            std::uint32_t bits = 0;
            for (std::size_t i = 0; i < rowBytes; ++i) {
                bits = bits << 8 | glyph.rows[static_cast<std::size_t>(row) * rowBytes + i];
            }
            std::uint8_t* out = bitmap.Row(y + row) + x;
            for (int column = left; column < right; ++column) {
                out[column] = static_cast<std::uint8_t>(bits >> (glyph.width - 1 - column) & 1);
            }
        }
        x += glyph.width;
    }
}

std::size_t TextCells(std::wstring_view text, const HexFont& font) {
    std::size_t cells = 0;
    for (const wchar_t character : text) {
        cells += static_cast<std::size_t>(GlyphOf(character, font).width / 8);
    }
    return cells;
}

}  // namespace platform
