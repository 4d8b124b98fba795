// What handset-sim shows on its standard output. In a terminal: the LCD and its text rows as
// read back from the pixels, a status line and the last event, the LCD redrawn only when its
// image changed. Anywhere else (a log, a pipe): one plain line per event, no escape codes.
#pragma once

#include <mutex>
#include <optional>
#include <ostream>
#include <string>

#include "tools/handset-sim/HandsetSimulator.h"

namespace handset_sim {

enum class ConsoleStyle { kTerminal, kPlain };

// kTerminal when the file descriptor `fd` is a terminal.
ConsoleStyle ConsoleStyleOf(int fd);

// One line on `event`, as the simulator's log and the scenario tool's reports show it: "plugged
// in", "5/20 contrast", "display image shown: row 0 \"Quillon\", ...", ...; nothing for the header
// and data frames of a transfer, which its outcome stands for.
std::optional<std::string> DescribeEvent(const Event& event);

// Thread-safe: events come from the simulator's receiving thread, notes from the program's.
class ConsoleView {
  public:
    ConsoleView(std::ostream& out, ConsoleStyle style) : out_(out), style_(style) {}

    // An event and the handset's state after it.
    void Show(const Event& event, const HandsetState& state, const std::string& firmware);
    // A line of the program's own: what it connects to, a command it refused.
    void Note(const std::string& text, const HandsetState& state, bool plugged,
              const std::string& firmware);

  private:
    void Draw(const std::string& text, const HandsetState& state, bool plugged,
              const std::string& firmware);

    std::mutex mutex_;
    std::ostream& out_;
    const ConsoleStyle style_;
    std::optional<Screen> drawn_;  // the LCD on the terminal now; nothing before the first draw
};

}  // namespace handset_sim
