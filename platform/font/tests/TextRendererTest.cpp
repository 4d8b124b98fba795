// The .hex parser, the text renderer and the cell measure, on small fonts made in the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/font/SharedFont.h"
#include "platform/font/TextRenderer.h"

namespace platform {
namespace {

// 'A': a 2-pixel-wide bar in columns 0..1 on every row. U+4E00: the top row dark across all 16
// columns. U+FFFD: only its last column dark.
constexpr const char* kFont =
    "0041:C0C0C0C0C0C0C0C0C0C0C0C0C0C0C0C0\n"
    "4E00:FFFF000000000000000000000000000000000000000000000000000000000000\n"
    "FFFD:01010101010101010101010101010101\n";

// The bitmap's rows as text, '#' black and '.' white.
std::string Picture(const MonoBitmap& bitmap, int top, int rows) {
    std::string text;
    for (int y = top; y < top + rows; ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            text += bitmap.IsBlack(x, y) ? '#' : '.';
        }
        text += '\n';
    }
    return text;
}

void FillBlack(MonoBitmap& bitmap) {
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::fill_n(bitmap.Row(y), bitmap.Width(), 1);
    }
}

TEST(HexFontTest, KeepsWellFormedLinesAndCountsTheRest) {
    struct Case {
        const char* text;
        std::size_t glyphs;
        std::size_t skipped;
    };
    const Case cases[] = {
        {"0041:00000000000000000000000000000000\r\n\n", 1, 0},  // CRLF, blank line
        {"41:00000000000000000000000000000000", 1, 0},          // short code, no final newline
        {"0041:0000000000000000000000000000000", 0, 1},         // 31 digits
        {"0041:000000000000000000000000000000000", 0, 1},       // 33 digits
        {"0041:0000000000000000000000000000000G", 0, 1},        // not hexadecimal
        {"110000:00000000000000000000000000000000", 0, 1},      // beyond Unicode
        {"000000041:00000000000000000000000000000000", 0, 1},   // nine digits
        {":00000000000000000000000000000000\nno colon\n", 0, 2},
        {"0042:00000000000000000000000000000000\n0041:00000000000000000000000000000000", 2, 0},
    };
    for (const Case& c : cases) {
        const HexFont font = HexFont::Parse(c.text);
        EXPECT_EQ(c.glyphs, font.GlyphCount()) << c.text;
        EXPECT_EQ(c.skipped, font.SkippedLines()) << c.text;
    }
}

TEST(HexFontTest, FirstGlyphOfACodePointCountsAndUnsortedInputIsFound) {
    const HexFont font = HexFont::Parse(
        "4E00:FFFF000000000000000000000000000000000000000000000000000000000000\n"
        "0041:80000000000000000000000000000000\n"
        "0041:FF000000000000000000000000000000\n");
    ASSERT_TRUE(font.Find(U'A'));
    EXPECT_EQ(8, font.Find(U'A')->width);
    EXPECT_TRUE(font.Find(U'A')->IsDark(0, 0));
    EXPECT_FALSE(font.Find(U'A')->IsDark(1, 0));
    ASSERT_TRUE(font.Find(U'\u4E00'));
    EXPECT_EQ(16, font.Find(U'\u4E00')->width);
    EXPECT_TRUE(font.Find(U'\u4E00')->IsDark(15, 0));
    EXPECT_FALSE(font.Find(U'\u4E00')->IsDark(15, 1));
    EXPECT_FALSE(font.Find(U'B'));
}

TEST(TextRendererTest, PaintsOpaqueCellsClippedAtTheEdges) {
    const HexFont font = HexFont::Parse(kFont);
    MonoBitmap bitmap(28, 18);
    FillBlack(bitmap);
    // From x = -1: 'A' loses its first column; NUL is a blank cell; 'B' is missing and drawn as
    // U+FFFD; the wide glyph starting at x = 23 is cut after 5 columns.
    TextOut(bitmap, -1, 1, std::wstring(L"A\0B\u4E00", 4), font);
    EXPECT_EQ(
        "############################\n"  // above the text: not painted
        "#.....................######\n"
        "#.....................#.....\n",
        Picture(bitmap, 0, 3));
    EXPECT_EQ(
        "#.....................#.....\n"  // the glyphs' last row
        "############################\n",
        Picture(bitmap, 16, 2));
}

TEST(TextRendererTest, AnEmptyFontDrawsBlankCells) {
    const HexFont empty;
    MonoBitmap bitmap(16, 16);
    FillBlack(bitmap);
    TextOut(bitmap, 0, 0, L"A\u4E00", empty);
    EXPECT_EQ(std::string(16, '.') + "\n", Picture(bitmap, 0, 1));
    EXPECT_EQ(std::string(16, '.') + "\n", Picture(bitmap, 15, 1));
    EXPECT_EQ(2u, TextCells(L"A\u4E00", empty));
}

TEST(TextRendererTest, CountsCellsAsTheyAreDrawn) {
    const HexFont font = HexFont::Parse(kFont);
    struct Case {
        std::wstring text;
        std::size_t cells;
    };
    const Case cases[] = {
        {L"", 0},           {L"AA", 2}, {L"\u4E00A", 3}, {std::wstring(L"\0\0", 2), 2},
        {L"\U0001F600", 1},  // missing: the narrow replacement
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.cells, TextCells(c.text, font));
    }
}

TEST(SharedFontTest, LoadsTheNamedFileAndNamesWhatIsWrong) {
    const std::filesystem::path directory = std::filesystem::path(testing::TempDir()) / "font-test";
    std::filesystem::create_directories(directory);
    const std::filesystem::path file = directory / "small.hex";
    std::ofstream(file) << kFont;

    ::setenv(kFontFileVariable, file.c_str(), 1);
    EXPECT_EQ(file, FontFilePath());
    ::unsetenv(kFontFileVariable);
    EXPECT_EQ(std::filesystem::path(kDefaultFontFile), FontFilePath());

    std::string problem;
    EXPECT_EQ(3u, LoadFontFile(file, problem).GlyphCount());
    EXPECT_EQ("", problem);

    const std::filesystem::path missing = directory / "missing.hex";
    EXPECT_EQ(0u, LoadFontFile(missing, problem).GlyphCount());
    EXPECT_NE(std::string::npos, problem.find(missing.native())) << problem;

    std::ofstream(directory / "junk.hex") << "not a font\n";
    EXPECT_EQ(0u, LoadFontFile(directory / "junk.hex", problem).GlyphCount());
    EXPECT_NE(std::string::npos, problem.find("no glyph")) << problem;
}

}  // namespace
}  // namespace platform
