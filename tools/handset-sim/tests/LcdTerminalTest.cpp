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
