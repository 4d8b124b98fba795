// What a person watching a run sees: the handset's LCD whenever it changes, and the script's
// notes, the lines that say what happens. In a terminal the LCD stays at the top, redrawn in
// place, with the latest notes under it; anywhere else (a pipe, a log) every note and every new
// screen is one plain line, the screen as its text rows read back from the pixels.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <ostream>
#include <string>

#include "tools/handset-sim/ConsoleView.h"
#include "tools/handset-sim/HandsetWire.h"

namespace scenario {

class LiveView {
  public:
    LiveView(std::ostream& out, handset_sim::ConsoleStyle style) : out_(out), style_(style) {}

    // The LCD now; shown when it differs from the one on view.
    void Show(const handset_sim::Screen& lcd);
    // A note, shown with the LCD as it is now.
    void Note(const std::string& text, const handset_sim::Screen& lcd);

  private:
    void Draw(const handset_sim::Screen& lcd);

    std::ostream& out_;
    const handset_sim::ConsoleStyle style_;
    std::optional<handset_sim::Screen> shown_;
    std::deque<std::string> notes_;  // the latest, for the terminal
};

}  // namespace scenario
