// SIGUSR1 delivered to the message loop: a user asking a running program for something (the
// headless host answers with a picture of the LCD mirror).
#pragma once

#include <functional>

#include "platform/instance/LoopSignals.h"
#include "platform/loop/MessageLoop.h"

namespace platform {

class UserSignal {
  public:
    // Blocks SIGUSR1 for the process (call before starting threads, so they inherit the mask)
    // and calls `onSignal` on the loop thread each time it arrives; signals that arrive together
    // may be taken as one.
    UserSignal(MessageLoop& loop, std::function<void()> onSignal);

  private:
    LoopSignals signals_;
};

}  // namespace platform
