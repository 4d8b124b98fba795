// The glyphs of a GNU Unifont .hex font, indexed by their pictures, so that a cell of the LCD can
// be looked up as the character it shows.
//
// A line of a .hex file is "CODE:BITMAP": the code point in 4 to 6 hexadecimal digits, a colon,
// then 32 hexadecimal digits (an 8 x 16 glyph, one byte a pixel row) or 64 (a 16 x 16 glyph, two
// bytes a row), top row first, the leftmost pixel in the top bit of each byte, 1 dark.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace handset_sim {

inline constexpr std::size_t kGlyphHeight = 16;
// An 8 x 16 picture, one byte a row; a 16 x 16 one, two bytes a row (left half first).
using NarrowBitmap = std::array<std::uint8_t, kGlyphHeight>;
using WideBitmap = std::array<std::uint8_t, 2 * kGlyphHeight>;

struct HexGlyph {
    char32_t codePoint = 0;
    bool wide = false;
    WideBitmap bitmap{};  // a narrow glyph fills the first 16 bytes
};

// One line of a .hex file, without its line feed (a carriage return before it is allowed).
// Nothing for anything else: a blank line, a code point above U+10FFFF or in the surrogates, a
// bitmap of another length, a character that is not a hexadecimal digit.
std::optional<HexGlyph> ParseHexLine(std::string_view line);

// The left half (columns 0..7) of a 16 x 16 picture.
NarrowBitmap LeftHalf(const WideBitmap& bitmap);

class GlyphIndex {
  public:
    // No glyphs: no picture matches.
    GlyphIndex() = default;
    // Every glyph line of `hexText`; other lines are skipped.
    static GlyphIndex FromHexText(std::string_view hexText);

    // The character drawn as `bitmap`; when several are, the lowest code point, so that a blank
    // reads as U+0020 and a Latin letter as itself rather than its Greek or Cyrillic twin.
    std::optional<char32_t> Narrow(const NarrowBitmap& bitmap) const;
    std::optional<char32_t> Wide(const WideBitmap& bitmap) const;
    // The 16 x 16 character whose left half is `half`, when exactly one has it: what a character
    // cut off by the right edge of the screen can be read as.
    std::optional<char32_t> WideByLeftHalf(const NarrowBitmap& half) const;

    std::size_t NarrowCount() const { return narrow_.size(); }
    std::size_t WideCount() const { return wide_.size(); }

  private:
    // FNV-1a: the pictures are short, and a few bytes tell most of them apart.
    struct BitmapHash {
        template <std::size_t N>
        std::size_t operator()(const std::array<std::uint8_t, N>& bitmap) const {
            std::uint64_t hash = 0xCBF29CE484222325u;
            for (const std::uint8_t byte : bitmap) {
                hash = (hash ^ byte) * 0x100000001B3u;
            }
            return static_cast<std::size_t>(hash);
        }
    };
    void Add(const HexGlyph& glyph);

    std::unordered_map<NarrowBitmap, char32_t, BitmapHash> narrow_;
    std::unordered_map<WideBitmap, char32_t, BitmapHash> wide_;
    // Each left half, with the one character that has it, or a mark that several do.
    std::unordered_map<NarrowBitmap, char32_t, BitmapHash> leftHalves_;
};

}  // namespace handset_sim
