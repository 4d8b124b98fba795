// The signals that end the program, on the message loop.
#include "platform/instance/TerminationSignals.h"

#include <signal.h>

namespace platform {

TerminationSignals::TerminationSignals(MessageLoop& loop, std::function<void(int)> onSignal)
    : signals_(loop, {SIGINT, SIGTERM}, std::move(onSignal)) {}

}  // namespace platform
