// The LCD's four text rows as the handset simulator reads them back from the pixels it received,
// with the font's own glyphs: a check on what the system drew that does not rely on the system's
// renderer.
//
// Row r is pixel rows 16r..16r+15, cut into cells from x = 0: 8 x 16 cells for half-width
// characters, 16 x 16 for full-width ones. A cell reads as the character whose glyph is exactly
// its picture (the lowest code point when several are); a cell that matches no glyph, such as an
// icon, reads as '?', one for every 8 pixels. Of all the ways to cut a row into cells, the one
// with the fewest '?' wins, and among those the one with the fewest full-width cells, so that a
// blank reads as half-width spaces. The last 8 columns may show the left half of a full-width
// character cut off by the edge: it reads as that character when no other has the same left
// half. A row reads as inverted (highlighted) when its inverted pixels read with fewer '?' than
// its pixels do, or with as many and more than half of its pixels are dark.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "tools/handset-sim/GlyphIndex.h"
#include "tools/handset-sim/HandsetWire.h"

namespace handset_sim {

inline constexpr std::size_t kTextRows = 4;

struct TextRow {
    std::string text;  // UTF-8, without trailing spaces
    bool inverted = false;
    bool operator==(const TextRow&) const = default;
};

struct ScreenText {
    std::array<TextRow, kTextRows> rows;
    // Whether `row` is the one inverted row, or, given none, whether no row is inverted. A
    // picture can read as several inverted rows; the system's text screens invert one at most.
    bool HighlightIs(std::optional<std::size_t> row) const;
};

ScreenText ReadScreenText(const Screen& lcd, const GlyphIndex& glyphs);
// With the process's font (UnifontFile.h); every cell reads as '?' when it cannot be read.
ScreenText ReadScreenText(const Screen& lcd);

// `row 1 "Calls" (highlighted)`: the text quoted as it reads. A font draws control characters
// too, so what prints this escapes it (platform::EscapeControl).
std::string DescribeTextRow(std::size_t index, const TextRow& row);
// All four rows so, separated by ", ".
std::string DescribeScreenText(const ScreenText& text);

}  // namespace handset_sim
