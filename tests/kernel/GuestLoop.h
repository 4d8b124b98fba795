// The guest test's side of the message loop: a window that keeps what it receives, and bounded
// real-time pumping while the kernel and the backend's threads do their part.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <vector>

#include "platform/loop/MessageLoop.h"
#include "platform/loop/Window.h"

namespace kerneltest {

// Long enough for any step under software emulation; a passing run never waits for it.
inline constexpr std::chrono::milliseconds kGuestWait{10000};

struct Received {
    platform::WPARAM wParam;
    platform::LPARAM lParam;
};

// Stands in for the engine window (or any watcher): keeps every message, per message id.
class RecordingWindow final : public platform::Window {
  public:
    using Window::Window;
    platform::LRESULT WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override {
        received_[message].push_back({wParam, lParam});
        return 1;
    }
    const std::vector<Received>& Of(platform::MessageId message) { return received_[message]; }

  private:
    std::map<platform::MessageId, std::vector<Received>> received_;
};

// Delivers what the loop has until `done` holds, waiting in short real-time slices (the
// condition may depend on other threads than the posting ones); false after `timeout`.
inline bool PumpUntil(platform::MessageLoop& loop, const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = kGuestWait) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    loop.ProcessReady();
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        loop.WaitForPost(std::chrono::milliseconds(10));
        loop.ProcessReady();
    }
    return true;
}

// Delivers whatever arrives during `period`.
inline void PumpFor(platform::MessageLoop& loop, std::chrono::milliseconds period) {
    PumpUntil(
        loop, [] { return false; }, period);
}

}  // namespace kerneltest
