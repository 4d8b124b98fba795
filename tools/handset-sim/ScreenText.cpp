// Reading text rows from the LCD's pixels: cells matched against the glyphs, the row cut so that
// the most cells match.
#include "tools/handset-sim/ScreenText.h"

#include <bit>
#include <string_view>

#include "platform/text/Utf8.h"
#include "tools/handset-sim/UnifontFile.h"

namespace handset_sim {
namespace {

constexpr std::size_t kCellWidth = 8;
constexpr std::size_t kUnits = kScreenWidth / kCellWidth;  // 8-pixel cells across a row
constexpr std::size_t kBandPixels = kScreenWidth * kGlyphHeight;

// A text row's pixels as 16 lines of 16 bytes, the leftmost pixel in the top bit, as glyphs are.
using Band = std::array<std::array<std::uint8_t, kUnits>, kGlyphHeight>;

Band BandOf(const Screen& lcd, std::size_t row) {
    Band band{};
    for (std::size_t y = 0; y < kGlyphHeight; ++y) {
        for (std::size_t x = 0; x < kScreenWidth; ++x) {
            if (IsDark(lcd, x, kGlyphHeight * row + y)) {
                band[y][x / kCellWidth] |= static_cast<std::uint8_t>(0x80 >> (x % kCellWidth));
            }
        }
    }
    return band;
}

Band Inverted(Band band) {
    for (auto& line : band) {
        for (std::uint8_t& byte : line) {
            byte = static_cast<std::uint8_t>(~byte);
        }
    }
    return band;
}

std::size_t DarkPixels(const Band& band) {
    std::size_t dark = 0;
    for (const auto& line : band) {
        for (const std::uint8_t byte : line) {
            dark += static_cast<std::size_t>(std::popcount(byte));
        }
    }
    return dark;
}

NarrowBitmap NarrowAt(const Band& band, std::size_t unit) {
    NarrowBitmap cell{};
    for (std::size_t y = 0; y < kGlyphHeight; ++y) {
        cell[y] = band[y][unit];
    }
    return cell;
}

WideBitmap WideAt(const Band& band, std::size_t unit) {
    WideBitmap cell{};
    for (std::size_t y = 0; y < kGlyphHeight; ++y) {
        cell[2 * y] = band[y][unit];
        cell[2 * y + 1] = band[y][unit + 1];
    }
    return cell;
}

struct Reading {
    std::wstring text;
    std::size_t unknown = 0;  // cells read as '?'
};

// The best reading of the cells from some unit to the end of the row, and its first cell.
struct Choice {
    std::size_t unknown = 0;
    std::size_t wide = 0;
    char32_t character = 0;
    std::size_t units = 0;  // taken by the first cell: 1, or 2 for a whole full-width glyph
    bool operator<(const Choice& other) const {
        return unknown != other.unknown ? unknown < other.unknown : wide < other.wide;
    }
};

// Dynamic programming from the right edge: the best reading of units i.. is the better of a
// half-width cell at i followed by the best from i + 1, and a full-width cell at i followed by
// the best from i + 2 (at the last unit, a full-width character cut off by the edge).
Reading ReadBand(const Band& band, const GlyphIndex& glyphs) {
    std::array<Choice, kUnits + 1> best{};
    for (std::size_t i = kUnits; i-- > 0;) {
        const NarrowBitmap cell = NarrowAt(band, i);
        const Choice& next = best[i + 1];
        Choice choice{next.unknown + 1, next.wide, U'?', 1};
        if (const std::optional<char32_t> narrow = glyphs.Narrow(cell)) {
            choice = {next.unknown, next.wide, *narrow, 1};
        }
        const bool whole = i + 2 <= kUnits;
        const std::optional<char32_t> wide =
            whole ? glyphs.Wide(WideAt(band, i)) : glyphs.WideByLeftHalf(cell);
        if (wide) {
            const Choice& after = best[whole ? i + 2 : kUnits];
            const Choice candidate{after.unknown, after.wide + 1, *wide, whole ? 2u : 1u};
            if (candidate < choice) {
                choice = candidate;
            }
        }
        best[i] = choice;
    }
    Reading reading;
    reading.unknown = best[0].unknown;
    for (std::size_t i = 0; i < kUnits; i += best[i].units) {
        reading.text += static_cast<wchar_t>(best[i].character);
    }
    return reading;
}

TextRow ReadRow(const Band& band, const GlyphIndex& glyphs) {
    const Reading plain = ReadBand(band, glyphs);
    const Reading inverted = ReadBand(Inverted(band), glyphs);
    const bool isInverted =
        inverted.unknown < plain.unknown ||
        (inverted.unknown == plain.unknown && DarkPixels(band) > kBandPixels / 2);
    std::wstring text = isInverted ? inverted.text : plain.text;
    text.erase(text.find_last_not_of(L' ') + 1);
    return {platform::ToUtf8(text), isInverted};
}

}  // namespace

bool ScreenText::HighlightIs(std::optional<std::size_t> row) const {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].inverted != (row == i)) {
            return false;
        }
    }
    return true;
}

ScreenText ReadScreenText(const Screen& lcd, const GlyphIndex& glyphs) {
    ScreenText text;
    for (std::size_t row = 0; row < kTextRows; ++row) {
        text.rows[row] = ReadRow(BandOf(lcd, row), glyphs);
    }
    return text;
}

ScreenText ReadScreenText(const Screen& lcd) {
    return ReadScreenText(lcd, Unifont().glyphs);
}

std::string DescribeTextRow(std::size_t index, const TextRow& row) {
    std::string text = "row ";
    text += std::to_string(index);
    text.append(" \"").append(row.text).append("\"");
    if (row.inverted) {
        text += " (highlighted)";
    }
    return text;
}

std::string DescribeScreenText(const ScreenText& text) {
    std::string line;
    for (std::size_t i = 0; i < text.rows.size(); ++i) {
        if (i > 0) {
            line += ", ";
        }
        line += DescribeTextRow(i, text.rows[i]);
    }
    return line;
}

}  // namespace handset_sim
