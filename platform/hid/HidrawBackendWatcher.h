// The hidraw backend's hot-plug watcher: a thread listening to the kernel's and udev's device
// events.
#pragma once

#include <string>
#include <thread>
#include <vector>

#include "platform/loop/WindowTypes.h"

struct pollfd;
struct udev;
struct udev_monitor;

namespace platform {

// Posts `message` (wParam 0, lParam 0) to `window` for every "add" and "remove" event of a device
// in one of `subsystems`, from its own thread, until destroyed.
class UeventWatcher {
  public:
    UeventWatcher(const std::vector<std::string>& subsystems, WindowHandle window,
                  MessageId message);
    // Stops and joins the thread.
    ~UeventWatcher();
    UeventWatcher(const UeventWatcher&) = delete;
    UeventWatcher& operator=(const UeventWatcher&) = delete;

    // The kernel's events are being listened to.
    bool IsListening() const { return thread_.joinable(); }

  private:
    udev_monitor* NewMonitor(const char* source, const std::vector<std::string>& subsystems);
    void Run();
    void Serve(pollfd& fd, udev_monitor* monitor);
    void Receive(udev_monitor* monitor);

    udev* udev_ = nullptr;
    udev_monitor* kernelMonitor_ = nullptr;
    udev_monitor* udevMonitor_ = nullptr;  // silent where no udev daemon runs
    int stopFd_ = -1;
    WindowHandle window_;
    MessageId message_;
    std::thread thread_;
};

// Whether udev has processed the hidraw node `hidrawName` ("hidraw3"): its rules, and with them
// the user's access rights, are then in place. False where no udev daemon runs.
bool IsSetUpByUdev(const std::string& hidrawName);

}  // namespace platform
