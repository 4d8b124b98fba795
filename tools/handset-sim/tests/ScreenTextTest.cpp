// Reading the LCD's text back from its pixels: rows drawn here with the glyphs of the real font
// file, the way the system lays them out, and what the reader makes of them.
#include "tools/handset-sim/ScreenText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tools/handset-sim/UnifontFile.h"

namespace handset_sim {
namespace {

using namespace std::string_literals;

const LoadedFont& RealFont() {
    static const LoadedFont font = LoadFont(std::string(kDefaultUnifontPath));
    return font;
}

// The font's glyphs by code point, read with the reader's own line parser.
const std::map<char32_t, HexGlyph>& GlyphsByCodePoint() {
    static const std::map<char32_t, HexGlyph> glyphs = [] {
        std::map<char32_t, HexGlyph> all;
        std::ifstream file{std::string(kDefaultUnifontPath)};
        for (std::string line; std::getline(file, line);) {
            if (const std::optional<HexGlyph> glyph = ParseHexLine(line)) {
                all.emplace(glyph->codePoint, *glyph);
            }
        }
        return all;
    }();
    return glyphs;
}

void SetDark(Screen& lcd, std::size_t x, std::size_t y) {
    lcd[x + kScreenWidth * (y / 8)] |= static_cast<std::uint8_t>(1 << (y % 8));
}

// As the system draws a row: cells from x = 0, NUL a blank half-width cell, clipped at x = 128.
void DrawRow(Screen& lcd, std::size_t row, std::u32string_view text) {
    std::size_t x = 0;
    for (const char32_t c : text) {
        HexGlyph glyph;  // NUL: blank and narrow
        if (c != 0) {
            const auto found = GlyphsByCodePoint().find(c);
            ASSERT_NE(found, GlyphsByCodePoint().end())
                << "no glyph for U+" << std::hex << static_cast<std::uint32_t>(c);
            glyph = found->second;
        }
        const std::size_t width = glyph.wide ? 16 : 8;
        for (std::size_t y = 0; y < kGlyphHeight; ++y) {
            for (std::size_t dx = 0; dx < width && x + dx < kScreenWidth; ++dx) {
                const std::uint8_t byte = glyph.bitmap[(glyph.wide ? 2 : 1) * y + dx / 8];
                if ((byte >> (7 - dx % 8) & 1) != 0) {
                    SetDark(lcd, x + dx, kGlyphHeight * row + y);
                }
            }
        }
        x += width;
    }
}

// The system's highlight: every byte of the row's two pages inverted.
void InvertRow(Screen& lcd, std::size_t row) {
    for (std::size_t i = 256 * row; i < 256 * (row + 1); ++i) {
        lcd[i] = static_cast<std::uint8_t>(~lcd[i]);
    }
}

// A 16 x 16 icon in the LCD's page layout, placed as the system places icons: a scatter of
// pixels that no character has, as it is nor inverted (a plain square outline would read inverted
// as U+2B1B).
void PutIcon(Screen& lcd, std::size_t page, std::size_t column) {
    for (std::size_t dx = 0; dx < 16; ++dx) {
        lcd[kScreenWidth * page + column + dx] = static_cast<std::uint8_t>(dx * 37 + 11);
        lcd[kScreenWidth * (page + 1) + column + dx] = static_cast<std::uint8_t>(dx * 73 + 5);
    }
}

TEST(ScreenTextTest, TheRealFontIsIndexed) {
    ASSERT_EQ(RealFont().problem, "") << "install the Debian package unifont";
    EXPECT_GT(RealFont().glyphs.NarrowCount(), 5000u);
    EXPECT_GT(RealFont().glyphs.WideCount(), 40000u);
}

// 'A' drawn pixel by pixel from its picture, not from the font: pins the bit order of both the
// LCD and the glyphs.
TEST(ScreenTextTest, AHandDrawnLetterReadsAsItself) {
    constexpr const char* kLetterA[kGlyphHeight] = {
        "........", "........", "........", "........", "...##...", "..#..#..",
        "..#..#..", ".#....#.", ".#....#.", ".######.", ".#....#.", ".#....#.",
        ".#....#.", ".#....#.", "........", "........",
    };
    Screen lcd{};
    for (std::size_t y = 0; y < kGlyphHeight; ++y) {
        for (std::size_t x = 0; x < 8; ++x) {
            if (kLetterA[y][x] == '#') {
                SetDark(lcd, 8 + x, 16 * 2 + y);  // row 2, second cell
            }
        }
    }
    const ScreenText text = ReadScreenText(lcd, RealFont().glyphs);
    EXPECT_EQ(text.rows[2].text, " A");
    EXPECT_EQ(text.rows[0].text, "");
}

struct ScreenCase {
    const char* name;
    std::array<std::u32string, kTextRows> drawn;
    std::optional<std::size_t> highlight;
    bool icon = false;  // an icon over row 1's first two cells
    std::array<std::string, kTextRows> read;
};

TEST(ScreenTextTest, RowsReadAsTheTextDrawn) {
    const ScreenCase cases[] = {
        {"English",
         {U"Quillon", U"1 Call list", U"", U"  Hello, World!"},
         {},
         false,
         {"Quillon", "1 Call list", "", "  Hello, World!"}},
        {"Chinese in full-width cells",
         {U"通话记录", U"中文", U"未接来电", U"语音留言"},
         {},
         false,
         {"通话记录", "中文", "未接来电", "语音留言"}},
        {"mixed widths",
         {U"A中b文 9", U"呼叫 Alice", U"", U"12:30 通话中"},
         {},
         false,
         {"A中b文 9", "呼叫 Alice", "", "12:30 通话中"}},
        // Trailing spaces and NULs, as a short row text leaves them, are blanks.
        {"highlighted",
         {U"Menu", U"Calls   \0\0\0"s, U"Messages", U""},
         1,
         false,
         {"Menu", "Calls", "Messages", ""}},
        {"a highlighted blank row", {U"Menu", U"", U"", U""}, 3, false, {"Menu", "", "", ""}},
        {"an icon", {U"", U"  Hold", U"", U""}, {}, true, {"", "??Hold", "", ""}},
        {"an icon on a highlighted row",
         {U"", U"  Hold", U"", U""},
         1,
         true,
         {"", "??Hold", "", ""}},
        // Past x = 128 nothing shows; a full-width character cut in half reads as itself when
        // its left half is its own (中), and as '?' when another shares it (兵 and 乒).
        {"the right edge",
         {U"ABCDEFGHIJKLMNO中", U"ABCDEFGHIJKLMNO兵", U"ABCDEFGHIJKLMNOPQRS",
          U"通话记录通话记录通"},
         {},
         false,
         {"ABCDEFGHIJKLMNO中", "ABCDEFGHIJKLMNO?", "ABCDEFGHIJKLMNOP", "通话记录通话记录"}},
        // Pictures several characters share: the lowest code point (Greek capitals as Latin), two
        // half-width cells before one full-width one (U+3000 as two spaces, U+2A75 as "==").
        {"shared pictures",
         {U"\u0391\u0392\u0410", U"x\u3000y", U"==\u2A75", U"A\0B"s},
         {},
         false,
         {"ABA", "x  y", "====", "A B"}},
    };
    for (const ScreenCase& c : cases) {
        SCOPED_TRACE(c.name);
        Screen lcd{};
        for (std::size_t row = 0; row < kTextRows; ++row) {
            DrawRow(lcd, row, c.drawn[row]);
        }
        if (c.highlight) {
            InvertRow(lcd, *c.highlight);
        }
        if (c.icon) {
            PutIcon(lcd, 2, 0);
        }
        const ScreenText text = ReadScreenText(lcd, RealFont().glyphs);
        for (std::size_t row = 0; row < kTextRows; ++row) {
            EXPECT_EQ(text.rows[row].text, c.read[row]) << "row " << row;
            EXPECT_EQ(text.rows[row].inverted, c.highlight == row) << "row " << row;
        }
        EXPECT_TRUE(text.HighlightIs(c.highlight));
        EXPECT_FALSE(text.HighlightIs(c.highlight ? std::nullopt : std::optional<std::size_t>(0)));
    }
}

TEST(ScreenTextTest, RowsAreDescribedQuotedAndMarked) {
    ScreenText text;
    text.rows[0] = {"Quillon", false};
    text.rows[1] = {"Calls", true};
    EXPECT_EQ(DescribeScreenText(text),
              "row 0 \"Quillon\", row 1 \"Calls\" (highlighted), row 2 \"\", row 3 \"\"");
    // Two inverted rows are no highlight of one.
    text.rows[2].inverted = true;
    EXPECT_FALSE(text.HighlightIs(1));
    EXPECT_FALSE(text.HighlightIs(std::nullopt));
}

TEST(ScreenTextTest, WithoutAFontEveryCellReadsAsAQuestionMark) {
    const std::filesystem::path missing = "/nonexistent/kestrel/unifont.hex";
    const LoadedFont font = LoadFont(missing);
    EXPECT_NE(font.problem.find(missing.native()), std::string::npos) << font.problem;
    EXPECT_NE(font.problem.find("\"unifont\""), std::string::npos) << font.problem;
    const ScreenText text = ReadScreenText(Screen{}, font.glyphs);
    for (const TextRow& row : text.rows) {
        EXPECT_EQ(row, (TextRow{std::string(16, '?'), false}));
    }

    const std::filesystem::path notAFont =
        std::filesystem::path(::testing::TempDir()) / "kestrel-not-a-font.hex";
    std::ofstream(notAFont) << "not a font\n";
    EXPECT_NE(LoadFont(notAFont).problem.find("holds no glyph line"), std::string::npos);
    std::filesystem::remove(notAFont);

    EXPECT_EQ(UnifontPath(nullptr), kDefaultUnifontPath);
    EXPECT_EQ(UnifontPath(""), kDefaultUnifontPath);
    EXPECT_EQ(UnifontPath("/opt/fonts/mine.hex"), "/opt/fonts/mine.hex");
}

TEST(ScreenTextTest, OnlyWellFormedHexLinesBecomeGlyphs) {
    const std::string narrow = "0000000018242442427E424242420000";
    const std::string wide(64, 'F');
    struct LineCase {
        std::string line;
        std::optional<char32_t> codePoint = std::nullopt;  // nothing: refused
        bool wide = false;
    };
    const LineCase lines[] = {
        {"0041:" + narrow, U'A'},
        {"0041:" + narrow + "\r", U'A'},
        {"00e9:" + narrow, U'\u00E9'},
        {"4E2D:" + wide, U'\u4E2D', true},
        {"1F600:" + narrow, U'\U0001F600'},
        {"10FFFF:" + wide, U'\U0010FFFF', true},
        {""},
        {"0041"},
        {"0041:"},
        {"41:" + narrow},
        {"0000041:" + narrow},
        {":" + narrow},
        {"0041 :" + narrow},
        {"zz41:" + narrow},
        {"0041:" + narrow.substr(1)},
        {"0041:" + narrow + "0"},
        {"0041:" + narrow + ":"},
        {"0041:" + narrow.substr(1) + "G"},
        {"0041:" + wide + wide},
        {"D800:" + narrow},
        {"110000:" + narrow},
        {"0041:" + std::string(100000, '0')},
    };
    std::string file;
    std::size_t good = 0;
    for (const LineCase& c : lines) {
        SCOPED_TRACE(c.line.substr(0, 80));
        const std::optional<HexGlyph> glyph = ParseHexLine(c.line);
        ASSERT_EQ(glyph.has_value(), c.codePoint.has_value());
        if (glyph) {
            EXPECT_EQ(glyph->codePoint, *c.codePoint);
            EXPECT_EQ(glyph->wide, c.wide);
            ++good;
        }
        file += c.line + "\n";
    }
    EXPECT_EQ(ParseHexLine("0041:" + narrow)->bitmap[9], 0x7E);

    // A file of them indexes the good lines and nothing else. The narrow ones share one picture
    // and the wide ones another; the lowest code point is kept.
    const GlyphIndex index = GlyphIndex::FromHexText(file + "\n\n\xff\xfe garbage");
    EXPECT_EQ(index.NarrowCount(), 1u);
    EXPECT_EQ(index.WideCount(), 1u);
    EXPECT_EQ(good, 6u);
    NarrowBitmap a{};
    std::copy_n(ParseHexLine("0041:" + narrow)->bitmap.begin(), a.size(), a.begin());
    EXPECT_EQ(index.Narrow(a), U'A');
}

}  // namespace
}  // namespace handset_sim
