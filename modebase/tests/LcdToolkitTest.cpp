// The drawing toolkit: text rows drawn with Unifont, the highlight, pictures and icons.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "modebase/CEmluatorModeBase.h"

namespace {

namespace fs = std::filesystem;
using Picture = std::vector<std::string>;

// Columns x0..x1 - 1 of the 16 pixel rows of text row `row`, '#' dark.
Picture RowPicture(const LCDFrame& lcd, int row, int x0, int x1) {
    Picture picture;
    for (int y = 16 * row; y < 16 * row + 16; ++y) {
        std::string line;
        for (int x = x0; x < x1; ++x) {
            line += (lcd[static_cast<std::size_t>(x + 128 * (y / 8))] >> (y % 8) & 1) ? '#' : '.';
        }
        picture.push_back(line);
    }
    return picture;
}

Picture Inverted(Picture picture) {
    for (std::string& line : picture) {
        for (char& c : line) {
            c = c == '#' ? '.' : '#';
        }
    }
    return picture;
}

const Picture kHi = {
    "................", "................", "................", "............#...",
    ".#....#.....#...", ".#....#.........", ".#....#....##...", ".#....#.....#...",
    ".######.....#...", ".#....#.....#...", ".#....#.....#...", ".#....#.....#...",
    ".#....#.....#...", ".#....#...#####.", "................", "................",
};

const Picture kZhongWen = {
    ".......#..............#.........", ".......#...............#........",
    ".......#...............#........", ".......#........###############.",
    "..###########......#.......#....", "..#....#....#......#.......#....",
    "..#....#....#.......#.....#.....", "..#....#....#.......#.....#.....",
    "..#....#....#........#...#......", "..#....#....#.........#.#.......",
    "..###########..........#........", "..#....#....#.........#.#.......",
    ".......#.............#...#......", ".......#............#.....#.....",
    ".......#..........##.......##...", ".......#........##...........##.",
};

// "A" and the left half of the full-width character after it, which the right edge cuts.
const Picture kACut = {
    "...............#", "...............#", "...............#", "...............#",
    "...##.....######", "..#..#....#....#", "..#..#....#....#", ".#....#...#....#",
    ".#....#...#....#", ".######...#....#", ".#....#...######", ".#....#...#....#",
    ".#....#........#", ".#....#........#", "...............#", "...............#",
};

class LcdToolkitTest : public ::testing::Test {
  protected:
    fs::path Write(const std::string& name, const std::string& bytes) {
        const fs::path file = directory_ / name;
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

    platform::ManualClock clock_;
    platform::MessageLoop loop_{clock_};
    CEmluatorModeBase mode_;
    const fs::path directory_ = fs::path(testing::TempDir()) / "lcd-toolkit-test";
};

TEST_F(LcdToolkitTest, RowsAreDrawnWithUnifontAndTheHighlightInverted) {
    struct Case {
        const char* what;
        std::wstring text;
        int row;
        int highlight;
        int x0;
        Picture expected;
    };
    const Case cases[] = {
        {"English", L"Hi", 0, -1, 0, kHi},
        {"full-width cells", L"\u4E2D\u6587", 2, -1, 0, kZhongWen},
        {"cut at the right edge", std::wstring(14, L' ') + L"A\u4E2D", 3, -1, 112, kACut},
        {"highlighted", L"Hi", 1, 1, 0, Inverted(kHi)},
    };
    for (const Case& c : cases) {
        for (int row = 0; row < 4; ++row) {
            mode_.SetLine(row == c.row ? c.text : L"", row);
        }
        mode_.SetHighlightLine(c.highlight);
        mode_.RenderText();
        const int x1 = c.x0 + static_cast<int>(c.expected[0].size());
        EXPECT_EQ(c.expected, RowPicture(mode_.m_lcd, c.row, c.x0, x1)) << c.what;
        // Everything else is background, or dark throughout on the highlighted row.
        const char rest = c.highlight == c.row ? '#' : '.';
        for (int row = 0; row < 4; ++row) {
            const Picture whole = RowPicture(mode_.m_lcd, row, 0, 128);
            for (std::size_t y = 0; y < whole.size(); ++y) {
                for (int x = 0; x < 128; ++x) {
                    if (row == c.row && x >= c.x0 && x < x1) {
                        continue;
                    }
                    ASSERT_EQ(row == c.row ? rest : '.', whole[y][static_cast<std::size_t>(x)])
                        << c.what << ": row " << row << " pixel " << x << "," << y;
                }
            }
        }
    }
}

TEST_F(LcdToolkitTest, ARowKeeps32CharactersAndShowsSixteen) {
    const std::wstring forty(40, L'W');
    mode_.SetLine(forty, 0);
    EXPECT_EQ(std::wstring(32, L'W'), std::wstring(mode_.m_textRows[0], 32));
    EXPECT_EQ(std::wstring(31, L' '), std::wstring(mode_.m_textRows[0] + 32, 31));
    mode_.SetLine(L"ab", 1);
    EXPECT_EQ(std::wstring(L"ab") + std::wstring(30, L'\0'), std::wstring(mode_.m_textRows[1], 32));
    mode_.SetLine(L"ignored", 4);
    mode_.SetLine(L"ignored", -1);

    mode_.SetLine(std::wstring(16, L'A'), 0);
    mode_.SetHighlightLine(-1);
    mode_.RenderText();
    const LCDFrame sixteen = mode_.m_lcd;
    mode_.SetLine(std::wstring(16, L'A') + L"B", 0);
    mode_.RenderText();
    EXPECT_EQ(sixteen, mode_.m_lcd);
}

TEST_F(LcdToolkitTest, OnlyHighlightRowsZeroToThreeInvert) {
    for (int row = 0; row < 4; ++row) {
        mode_.SetLine(L"", row);
    }
    for (const int highlight : {-1, 0, 1, 2, 3, 4}) {
        mode_.SetHighlightLine(highlight);
        mode_.RenderText();
        for (int byte = 0; byte < 1024; ++byte) {
            const bool inverted = highlight >= 0 && highlight <= 3 && byte / 256 == highlight;
            ASSERT_EQ(inverted ? 0xFF : 0x00, mode_.m_lcd[static_cast<std::size_t>(byte)])
                << "highlight " << highlight << " byte " << byte;
        }
    }
}

void Put32(std::string& file, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        file[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
    }
}

std::string With32(std::string file, std::size_t at, std::uint32_t value) {
    Put32(file, at, value);
    return file;
}

using Rgb = std::array<int, 3>;  // red, green, blue

// A bitmap file: 24 bits a pixel, rows bottom-up padded to 4 bytes; every pixel `background`
// but the marked ones.
struct Bitmap {
    int width = 128;
    int height = 64;
    std::map<std::pair<int, int>, Rgb> marked;
    Rgb background{255, 255, 255};

    Rgb Colour(int x, int y) const {
        const auto found = marked.find({x, y});
        return found == marked.end() ? background : found->second;
    }

    std::string Bytes() const {
        std::string file(54, '\0');
        file[0] = 'B';
        file[1] = 'M';
        Put32(file, 10, 54);
        Put32(file, 14, 40);
        Put32(file, 18, static_cast<std::uint32_t>(width));
        Put32(file, 22, static_cast<std::uint32_t>(height));
        file[26] = 1;
        file[28] = 24;
        const int rowBytes = (3 * width + 3) / 4 * 4;
        for (int fileRow = 0; fileRow < height; ++fileRow) {
            std::string row(static_cast<std::size_t>(rowBytes), '\0');
            for (int x = 0; x < width; ++x) {
                const Rgb rgb = Colour(x, height - 1 - fileRow);
                row[static_cast<std::size_t>(3 * x)] = static_cast<char>(rgb[2]);
                row[static_cast<std::size_t>(3 * x + 1)] = static_cast<char>(rgb[1]);
                row[static_cast<std::size_t>(3 * x + 2)] = static_cast<char>(rgb[0]);
            }
            file += row;
        }
        return file;
    }
};

std::set<std::pair<int, int>> DarkPixels(const LCDFrame& lcd) {
    std::set<std::pair<int, int>> dark;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 128; ++x) {
            if (lcd[static_cast<std::size_t>(x + 128 * (y / 8))] >> (y % 8) & 1) {
                dark.insert({x, y});
            }
        }
    }
    return dark;
}

TEST_F(LcdToolkitTest, PicturesShowTheirTopLeft128By64AndTheirDarkPixels) {
    constexpr Rgb kBlack{0, 0, 0};
    // A constructor, not an aggregate: GCC 12 at -O3 takes an aggregate's map for uninitialised.
    struct Case {
        Case(const char* w, Bitmap b, std::set<std::pair<int, int>> d)
            : what(w), bitmap(std::move(b)), dark(std::move(d)) {}
        const char* what;
        Bitmap bitmap;
        std::set<std::pair<int, int>> dark;
    };
    const Case cases[] = {
        {"the darkness rule",
         {128,
          64,
          {{{0, 0}, {16, 16, 16}},
           {{1, 0}, {15, 200, 200}},
           {{2, 0}, {255, 0, 0}},
           {{127, 63}, kBlack}}},
         {{1, 0}, {2, 0}, {127, 63}}},
        {"130 wide: 8 bytes skipped a row",
         {130, 64, {{{0, 0}, kBlack}, {{1, 1}, kBlack}, {{129, 2}, kBlack}, {{63, 63}, kBlack}}},
         {{0, 0}, {1, 1}, {63, 63}}},
        {"taller: its top 64 rows",
         {128, 70, {{{5, 0}, kBlack}, {{6, 63}, kBlack}, {{7, 69}, kBlack}}},
         {{5, 0}, {6, 63}}},
        {"smaller: from the top-left corner",
         {100, 20, {{{0, 0}, kBlack}, {{99, 19}, kBlack}}},
         {{0, 0}, {99, 19}}},
    };
    for (const Case& c : cases) {
        const fs::path file = Write("picture.bmp", c.bitmap.Bytes());
        mode_.m_lcd.fill(0x5A);
        testing::internal::CaptureStdout();
        mode_.LoadPicture(file.wstring());
        EXPECT_EQ("Output file size is 1024 b\n", testing::internal::GetCapturedStdout()) << c.what;
        EXPECT_EQ(c.dark, DarkPixels(mode_.m_lcd)) << c.what;
    }
}

TEST_F(LcdToolkitTest, AFileThatIsNoUsablePictureChangesNothing) {
    const std::string whole = Bitmap{128, 64, {}, {0, 0, 0}}.Bytes();
    const std::pair<const char*, std::string> cases[] = {
        {"shorter than its header", whole.substr(0, 53)},
        {"a negative width", With32(whole, 18, static_cast<std::uint32_t>(-128))},
        {"a negative height", With32(whole, 22, static_cast<std::uint32_t>(-64))},
        {"a huge width", With32(whole, 18, 1u << 20)},
        {"a huge height", With32(whole, 22, 0x7FFFFFFF)},
        {"the pixels past the end", With32(whole, 10, 1u << 30)},
        {"32 bits a pixel", With32(whole, 28, 32)},
        {"compressed", With32(whole, 30, 1)},
        {"one byte short", whole.substr(0, whole.size() - 1)},
        {"empty", ""},
    };
    for (const auto& [what, bytes] : cases) {
        const fs::path file = Write("bad.bmp", bytes);
        mode_.m_lcd.fill(0x5A);
        testing::internal::CaptureStdout();
        mode_.LoadPicture(file.wstring());
        EXPECT_EQ("", testing::internal::GetCapturedStdout()) << what;
        EXPECT_EQ(LCDFrame{}.size(), std::count(mode_.m_lcd.begin(), mode_.m_lcd.end(), 0x5A))
            << what;
    }
    mode_.LoadPicture((directory_ / "missing.bmp").wstring());
    EXPECT_EQ(1024, std::count(mode_.m_lcd.begin(), mode_.m_lcd.end(), 0x5A));
}

TEST_F(LcdToolkitTest, IconsReplaceTwoPagesOfSixteenColumnsInsideTheFrame) {
    std::string bits;
    for (int i = 1; i <= 32; ++i) {
        bits += static_cast<char>(i);
    }
    // The folder is spelt in another case than the file system has it.
    const fs::path icon = Write("logo/call/hold.obj", bits);
    const std::wstring asWritten = (directory_ / "logo/Call/hold.obj").wstring();

    mode_.m_lcd.fill(0xAA);
    mode_.PutIcon(asWritten, 0, 16);
    for (int byte = 0; byte < 1024; ++byte) {
        const int expected = byte >= 16 && byte < 32     ? byte - 15
                             : byte >= 144 && byte < 160 ? byte - 144 + 17
                                                         : 0xAA;
        ASSERT_EQ(expected, mode_.m_lcd[static_cast<std::size_t>(byte)]) << "byte " << byte;
    }
    mode_.PutIcon(icon.wstring(), 6, 112);  // the last place that holds it
    EXPECT_EQ(1, mode_.m_lcd[768 + 112]);
    EXPECT_EQ(32, mode_.m_lcd[1023]);

    const fs::path shortIcon = Write("short.obj", bits.substr(0, 31));
    const std::pair<fs::path, std::pair<int, int>> refused[] = {
        {shortIcon, {0, 0}}, {icon, {7, 0}},  {icon, {-1, 0}},
        {icon, {0, 113}},    {icon, {0, -1}}, {directory_ / "missing.obj", {0, 0}},
    };
    for (const auto& [file, place] : refused) {
        mode_.m_lcd.fill(0xAA);
        mode_.PutIcon(file.wstring(), place.first, place.second);
        EXPECT_EQ(1024, std::count(mode_.m_lcd.begin(), mode_.m_lcd.end(), 0xAA))
            << file << " at " << place.first << "," << place.second;
    }
}

}  // namespace
