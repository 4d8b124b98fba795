// SIGINT and SIGTERM delivered to the message loop instead of interrupting the program.
#pragma once

#include <functional>

#include "platform/instance/LoopSignals.h"
#include "platform/loop/MessageLoop.h"

namespace platform {

class TerminationSignals {
  public:
    // Blocks SIGINT and SIGTERM for the process (call before starting threads, so they inherit
    // the mask) and calls `onSignal` on the loop thread when one arrives.
    TerminationSignals(MessageLoop& loop, std::function<void(int signal)> onSignal);

  private:
    LoopSignals signals_;
};

}  // namespace platform
