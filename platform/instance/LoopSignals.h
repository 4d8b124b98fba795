// Signals delivered to the message loop through a signalfd instead of interrupting the program.
#pragma once

#include <functional>
#include <initializer_list>

#include "platform/loop/MessageLoop.h"

namespace platform {

class LoopSignals {
  public:
    // Blocks `signals` for the process (call before starting threads, so they inherit the mask)
    // and calls `onSignal` with the signal's number on the loop thread when one arrives. The
    // signals stay blocked after destruction.
    LoopSignals(MessageLoop& loop, std::initializer_list<int> signals,
                std::function<void(int signal)> onSignal);
    ~LoopSignals();
    LoopSignals(const LoopSignals&) = delete;
    LoopSignals& operator=(const LoopSignals&) = delete;

  private:
    MessageLoop& loop_;
    int fd_ = -1;
    MessageLoop::WatchId watch_ = 0;
};

}  // namespace platform
