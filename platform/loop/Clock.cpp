// The real monotonic clock.
#include "platform/loop/Clock.h"

#include <thread>

namespace platform {

TimePoint RealClock::Now() const {
    return std::chrono::duration_cast<TimePoint>(
        std::chrono::steady_clock::now().time_since_epoch());
}

void RealClock::Sleep(Duration d) {
    std::this_thread::sleep_for(d);
}

}  // namespace platform
