// The LCD in half blocks and the status line.
#include "tools/handset-sim/LcdTerminal.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace handset_sim {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The character cells of one line (each a space or a three-byte block).
std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> cells;
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t n = line[i] == ' ' ? 1 : 3;
        cells.push_back(line.substr(i, n));
        i += n;
    }
    return cells;
}

TEST(LcdTerminalTest, ABlankLcdIs32LinesOf128Spaces) {
    const std::vector<std::string> lines = Lines(RenderLcd(Screen{}));
    ASSERT_EQ(lines.size(), 32u);
    for (const std::string& line : lines) {
        EXPECT_EQ(line, std::string(128, ' '));
    }
}

TEST(LcdTerminalTest, EachCharacterShowsTwoPixelRows) {
    Screen lcd{};
    lcd[0] = 0x01;     // (0, 0): upper half of cell (0, 0)
    lcd[1] = 0x02;     // (1, 1): lower half of cell (1, 0)
    lcd[2] = 0x03;     // (2, 0) and (2, 1): full cell (2, 0)
    lcd[1023] = 0x80;  // (127, 63): lower half of the last cell
    lcd[128] = 0x04;   // (0, 10): upper half of cell (0, 5)
    const std::vector<std::string> lines = Lines(RenderLcd(lcd));
    ASSERT_EQ(lines.size(), 32u);
    const std::vector<std::string> first = Cells(lines[0]);
    ASSERT_EQ(first.size(), 128u);
    EXPECT_EQ(first[0], "\u2580");
    EXPECT_EQ(first[1], "\u2584");
    EXPECT_EQ(first[2], "\u2588");
    EXPECT_EQ(first[3], " ");
    EXPECT_EQ(Cells(lines[5])[0], "\u2580");
    const std::vector<std::string> last = Cells(lines[31]);
    ASSERT_EQ(last.size(), 128u);
    EXPECT_EQ(last[127], "\u2584");
    EXPECT_EQ(last[126], " ");
}

TEST(LcdTerminalTest, QuadrantsShowTwoByTwoPixelsInHalfTheWidth) {
    // By the cell's dark pixels: upper left 1, upper right 2, lower left 4, lower right 8.
    const char* const blocks[16] = {" ",      "\u2598", "\u259D", "\u2580", "\u2596", "\u258C",
                                    "\u259E", "\u259B", "\u2597", "\u259A", "\u2590", "\u259C",
                                    "\u2584", "\u2599", "\u259F", "\u2588"};
    for (unsigned parts = 0; parts < 16; ++parts) {
        SCOPED_TRACE(parts);
        // The cell at column 10, line 3: pixels x 20 and 21, y 6 and 7, all in page 0.
        Screen lcd{};
        lcd[20] = static_cast<std::uint8_t>(((parts & 1) ? 0x40 : 0) | ((parts & 4) ? 0x80 : 0));
        lcd[21] = static_cast<std::uint8_t>(((parts & 2) ? 0x40 : 0) | ((parts & 8) ? 0x80 : 0));
        const std::vector<std::string> lines = Lines(RenderLcd(lcd, LcdCells::kQuadrants));
        ASSERT_EQ(lines.size(), 32u);
        const std::vector<std::string> cells = Cells(lines[3]);
        ASSERT_EQ(cells.size(), 64u);
        EXPECT_EQ(cells[10], blocks[parts]);
        EXPECT_EQ(cells[9], " ");
        EXPECT_EQ(cells[11], " ");
        EXPECT_EQ(Lines(RenderLcd(lcd, LcdCells::kQuadrants))[2], std::string(64, ' '));
    }
}

TEST(LcdTerminalTest, TheStatusLineNamesWhatWasNeverSent) {
    EXPECT_EQ(StatusLine(HandsetState{}, false, ""),
              "unplugged | light - | backlight - | ringer - | mute - | contrast - | output - | "
              "key sound - | firmware - | shown 0, rejected 0");
}

TEST(LcdTerminalTest, TheStatusLineShowsTheHandsetsState) {
    HandsetState state;
    state.displayLight = 1;
    state.keypadBacklight = 0;
    state.ringer = 3;
    state.micMute = 1;
    state.contrast = 20;
    state.soundOutput = 1;
    state.keySound = 0;
    state.transfersShown = 4;
    state.transfersRejected = 1;
    EXPECT_EQ(StatusLine(state, true, "12345"),
              "plugged | light on | backlight off | ringer melody 3 | mute on | contrast 20 | "
              "output hands-free | key sound 0 | firmware 12345 | shown 4, rejected 1");
    state.ringer = 0;
    state.soundOutput = 0;
    const std::string line = StatusLine(state, true, "12345");
    EXPECT_NE(line.find("ringer off"), std::string::npos);
    EXPECT_NE(line.find("output handset"), std::string::npos);
}

}  // namespace
}  // namespace handset_sim
