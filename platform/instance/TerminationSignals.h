// SIGINT and SIGTERM delivered to the message loop instead of interrupting the program.
#pragma once

#include <functional>

#include "platform/loop/MessageLoop.h"

namespace platform {

class TerminationSignals {
  public:
    // Blocks SIGINT and SIGTERM for the process (call before starting threads, so they inherit
    // the mask) and calls `onSignal` on the loop thread when one arrives.
    TerminationSignals(MessageLoop& loop, std::function<void(int signal)> onSignal);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  private:
    MessageLoop& loop_;
    int fd_ = -1;
    MessageLoop::WatchId watch_ = 0;
};

}  // namespace platform
