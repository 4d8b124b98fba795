// SIGUSR1 on the message loop.
#include "platform/instance/UserSignal.h"

#include <signal.h>

namespace platform {

UserSignal::UserSignal(MessageLoop& loop, std::function<void()> onSignal)
    : signals_(loop, {SIGUSR1}, [onSignal = std::move(onSignal)](int) { onSignal(); }) {}

}  // namespace platform
