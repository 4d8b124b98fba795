// The real HID backend with probes for the guest test: it counts the device changes its watcher
// raises and the reads it serves, keeps the result of every write, and can run a step (an
// unplug) just before a chosen write reaches the device. Everything else passes through as is.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/hid/HidBackend.h"
#include "platform/loop/Window.h"

namespace kerneltest {

class ProbedHidBackend final : public platform::HidBackend {
  public:
    // Its relay window belongs to the current thread's loop.
    explicit ProbedHidBackend(std::unique_ptr<platform::HidBackend> real);
    ~ProbedHidBackend() override;

    std::vector<platform::HidDeviceInfo> Enumerate() override;
    std::unique_ptr<platform::HidDevice> Open(const std::string& path) override;
    // The real watcher posts to the relay window, which hands every change on to `window` at
    // once (synchronously) and counts it; so a test knows when the watcher's change is handled.
    void StartWatching(platform::WindowHandle window, platform::MessageId message) override;
    void StopWatching() override;

    // Device changes raised by the real watcher and handled by the watching window.
    std::size_t DeviceChanges() const { return relay_.handed; }
    // Reads issued on every device opened so far.
    std::size_t Reads() const { return probes_->reads; }
    // Runs `step` just before the `nth` write from now on (1: the next) is handed to the device.
    void BeforeWrite(std::size_t nth, std::function<void()> step);
    // What the real device answered to every write so far, in order.
    std::vector<platform::HidResult> WriteResults() const;

    // Shared with the open devices, which may outlive the backend in a link's hands.
    struct Probes {
        std::atomic<std::size_t> reads{0};
        std::mutex mutex;
        std::vector<platform::HidResult> writes;
        std::size_t stepAtWrite = 0;  // a write count; 0: none armed
        std::function<void()> step;
    };

  private:
    class Relay final : public platform::Window {
      public:
        platform::LRESULT WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                     platform::LPARAM lParam) override;
        platform::WindowHandle target = platform::kNoWindow;
        platform::MessageId targetMessage = 0;
        std::size_t handed = 0;
    };

    std::unique_ptr<platform::HidBackend> real_;
    std::shared_ptr<Probes> probes_ = std::make_shared<Probes>();
    Relay relay_;
};

}  // namespace kerneltest
