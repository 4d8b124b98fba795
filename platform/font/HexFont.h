// A bitmap font in GNU Unifont's .hex format: one glyph a line, "CODE:BITS", the code point in
// hexadecimal and the glyph's 16 rows as 32 hex digits (8 pixels wide) or 64 (16 pixels wide).
// Parsed into a compact index, so the whole of Unifont costs about 2 MB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr int kGlyphHeight = 16;

struct GlyphView {
    int width = 0;  // 8 or 16 pixels
    // kGlyphHeight rows of width / 8 bytes, top row first, the leftmost pixel in the top bit.
    std::span<const std::uint8_t> rows;

    bool IsDark(int x, int y) const {
        const std::size_t rowBytes = static_cast<std::size_t>(width / 8);
        return (rows[static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x / 8)] >>
                    (7 - x % 8) &
                1) != 0;
    }
};

class HexFont {
  public:
    // An empty font: it has no glyph, and its replacement is a blank half-width cell.
    HexFont() = default;

    // Malformed lines (no colon, a code point that is not hexadecimal or above U+10FFFF, a glyph
    // that is not 32 or 64 hex digits) are skipped and counted; blank lines are skipped. When a
    // code point comes twice, its first glyph counts.
    static HexFont Parse(std::string_view text);

    std::optional<GlyphView> Find(char32_t code) const;
    // What stands for a character the font lacks: its U+FFFD, or a blank half-width cell.
    GlyphView Replacement() const;
    static GlyphView BlankHalfCell();

    std::size_t GlyphCount() const { return entries_.size(); }
    std::size_t SkippedLines() const { return skipped_; }
    // The heap memory the font holds.
    std::size_t MemoryBytes() const;

  private:
    struct Entry {
        std::uint32_t code : 24;
        std::uint32_t wide : 1;  // 16 pixels wide
        std::uint32_t offset;    // into bitmaps_
    };

    GlyphView View(std::size_t index) const;

    std::vector<Entry> entries_;  // sorted by code point, each once
    std::vector<std::uint8_t> bitmaps_;
    std::size_t skipped_ = 0;
};

}  // namespace platform
