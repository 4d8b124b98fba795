// The live view: plain lines for a pipe, an LCD redrawn in place with the latest notes for a
// terminal, and nothing from a run's text reaching the terminal as a control sequence.
#include "tools/scenario/LiveView.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace scenario {
namespace {

std::size_t Count(const std::string& text, const std::string& piece) {
    std::size_t count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos;
         at = text.find(piece, at + 1)) {
        ++count;
    }
    return count;
}

TEST(LiveViewTest, PlainOutputIsOneLinePerNoteAndPerNewScreen) {
    std::ostringstream out;
    LiveView view(out, handset_sim::ConsoleStyle::kPlain);
    handset_sim::Screen lcd{};
    view.Show(lcd);
    view.Show(lcd);  // the same screen again: nothing
    view.Note("Alice calls\x1b[2J", lcd);
    lcd[0] = 0xFF;  // an icon's column: unreadable cells
    view.Note("answered", lcd);
    view.Show(lcd);
    EXPECT_EQ(out.str(),
              "LCD: row 0 \"\", row 1 \"\", row 2 \"\", row 3 \"\"\n"
              "Alice calls\\x1B[2J\n"
              "answered\n"
              "LCD: row 0 \"?\", row 1 \"\", row 2 \"\", row 3 \"\"\n");
}

TEST(LiveViewTest, ATerminalSeesTheLcdRedrawnInPlaceWithTheLatestTenNotes) {
    std::ostringstream out;
    LiveView view(out, handset_sim::ConsoleStyle::kTerminal);
    handset_sim::Screen lcd{};
    for (int i = 1; i <= 12; ++i) {
        view.Note("step " + std::to_string(i) + "\x07", lcd);
    }
    const std::string all = out.str();
    const std::string last = all.substr(all.rfind("\x1b[H\x1b[J"));
    // The frame: its corners, 34 lines with the 32 of the LCD, 64 cells wide.
    EXPECT_EQ(1u, Count(last, "\u250C"));
    EXPECT_EQ(64u, Count(last.substr(0, last.find('\n')), "\u2500"));
    EXPECT_EQ(64u, Count(last, "\u2502"));
    EXPECT_EQ(std::string::npos, last.find("step 2\\"));
    EXPECT_NE(std::string::npos, last.find("step 3\\x07\n"));
    EXPECT_NE(std::string::npos, last.find("\x1b[1mstep 12\\x07\x1b[0m\n"));
    EXPECT_EQ(std::string::npos, all.find('\x07'));
    // A screen that did not change is not drawn again; one that did is.
    out.str("");
    view.Show(lcd);
    EXPECT_EQ("", out.str());
    lcd[5] = 0x01;
    view.Show(lcd);
    EXPECT_EQ(0u, out.str().find("\x1b[H\x1b[J"));
}

}  // namespace
}  // namespace scenario
