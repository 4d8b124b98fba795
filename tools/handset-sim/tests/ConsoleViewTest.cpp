// handset-sim's output: plain lines for a log, and in a terminal the LCD redrawn only on change.
#include "tools/handset-sim/ConsoleView.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>

namespace handset_sim {
namespace {

Event Received(Decoded decoded, std::vector<std::uint8_t> report = {}) {
    return {Event::Kind::Received, std::move(report), decoded};
}

std::size_t Count(const std::string& text, std::string_view what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

TEST(ConsoleViewTest, ALogGetsOnePlainEscapedLinePerEvent) {
    std::ostringstream out;
    ConsoleView view(out, ConsoleStyle::kPlain);
    const HandsetState state;
    view.Note("connecting to /run/h.sock", state, false, "");
    view.Note("cannot write /tmp/a\nb\x1b[2J.png", state, false, "");
    view.Show({Event::Kind::Plugged}, state, "");
    view.Show(Received({FrameKind::Control, 5, 20}), state, "");
    view.Show(Received({FrameKind::DisplayHeader}), state, "");
    view.Show(Received({FrameKind::DisplayData}), state, "");
    view.Show(Received({FrameKind::DisplayShown}), state, "");
    Event shown = Received({FrameKind::DisplayShown});
    Screen image{};
    std::fill(image.begin() + 256, image.begin() + 512, 0xFF);  // row 1 inverted, blank
    shown.image = std::make_shared<const Screen>(image);
    view.Show(shown, state, "");
    view.Show(Received({FrameKind::DisplayBadCrc}), state, "");
    view.Show(Received({FrameKind::DisplayBroken}), state, "");
    view.Show(Received({FrameKind::Malformed}, {0x00, 0xBD, 0x0B, 0x01}), state, "");
    view.Show(Received({FrameKind::Malformed}), state, "");
    view.Show({Event::Kind::Unplugged}, state, "");
    EXPECT_EQ(out.str(),
              "handset-sim: connecting to /run/h.sock\n"
              "handset-sim: cannot write /tmp/a\\nb\\x1B[2J.png\n"
              "handset-sim: plugged in\n"
              "handset-sim: 5/20 contrast\n"
              "handset-sim: display image shown\n"
              "handset-sim: display image shown: row 0 \"\", row 1 \"\" (highlighted), row 2 "
              "\"\", row 3 \"\"\n"
              "handset-sim: display image dropped: wrong checksum\n"
              "handset-sim: display transfer broken off\n"
              "handset-sim: malformed report: 00 BD 0B 01\n"
              "handset-sim: malformed report: empty\n"
              "handset-sim: unplugged\n");
}

TEST(ConsoleViewTest, ATerminalRedrawsTheLcdOnlyWhenItsImageChanged) {
    std::ostringstream out;
    ConsoleView view(out, ConsoleStyle::kTerminal);
    HandsetState state;
    // Returns what one step wrote.
    auto step = [&](const Event& event) {
        out.str("");
        view.Show(event, state, "12345");
        return out.str();
    };
    const std::string lcdRow(128, ' ');

    const std::string first = step({Event::Kind::Plugged});
    EXPECT_EQ(first.rfind("\x1b[H\x1b[J", 0), 0u);
    EXPECT_EQ(Count(first, lcdRow + "\n"), 32u);
    EXPECT_NE(first.find("plugged | "), std::string::npos);
    EXPECT_NE(first.find("last: plugged in\n"), std::string::npos);
    // Under the LCD, its four text rows as read back.
    EXPECT_NE(first.find(lcdRow + "\nrow 0 \"\"\nrow 1 \"\"\nrow 2 \"\"\nrow 3 \"\"\nplugged | "),
              std::string::npos);

    state.contrast = 20;
    const std::string control = step(Received({FrameKind::Control, 5, 20}));
    EXPECT_EQ(control.rfind("\x1b[37;1H\x1b[J", 0), 0u);
    EXPECT_EQ(Count(control, "\x1b[H"), 0u);
    EXPECT_EQ(Count(control, "\n"), 2u) << "status and last event only";
    EXPECT_NE(control.find("contrast 20"), std::string::npos);
    EXPECT_NE(control.find("last: 5/20 contrast"), std::string::npos);

    EXPECT_EQ(step(Received({FrameKind::DisplayData})), "");

    state.lcd[0] = 0x01;
    std::fill(state.lcd.begin() + 768, state.lcd.end(), 0xFF);  // row 3 inverted
    const std::string shown = step(Received({FrameKind::DisplayShown}));
    EXPECT_EQ(shown.rfind("\x1b[H\x1b[J\u2580", 0), 0u);
    EXPECT_NE(shown.find("\nrow 0 \"?\"\nrow 1 \"\"\nrow 2 \"\"\nrow 3 \"\" (highlighted)\n"),
              std::string::npos);

    // The same image again: nothing of the LCD is written.
    const std::string again = step(Received({FrameKind::DisplayShown}));
    EXPECT_EQ(again.rfind("\x1b[37;1H", 0), 0u);
    EXPECT_EQ(Count(again, "\u2580"), 0u);
}

TEST(ConsoleViewTest, OnlyATerminalGetsTheTerminalStyle) {
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    EXPECT_EQ(ConsoleStyleOf(pipeEnds[1]), ConsoleStyle::kPlain);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        GTEST_SKIP() << "no pseudo-terminal here";
    }
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    EXPECT_EQ(ConsoleStyleOf(terminal), ConsoleStyle::kTerminal);
    ::close(terminal);
    ::close(master);
}

}  // namespace
}  // namespace handset_sim
