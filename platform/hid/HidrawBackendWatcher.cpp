// The hidraw backend's libudev side: the hot-plug watcher (monitors polled with a stop eventfd),
// and whether udev has set a node up.
#include "platform/hid/HidrawBackendWatcher.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/loop/Window.h"

namespace platform {

UeventWatcher::UeventWatcher(const std::vector<std::string>& subsystems, WindowHandle window,
                             MessageId message)
    : window_(window), message_(message) {
    udev_ = udev_new();
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (udev_ == nullptr || stopFd_ < 0) {
        return;
    }
    kernelMonitor_ = NewMonitor("kernel", subsystems);
    udevMonitor_ = NewMonitor("udev", subsystems);
    if (kernelMonitor_ != nullptr) {
        thread_ = std::thread(&UeventWatcher::Run, this);
    }
}

UeventWatcher::~UeventWatcher() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t written = write(stopFd_, &one, sizeof one);
        thread_.join();
    }
    for (udev_monitor* monitor : {kernelMonitor_, udevMonitor_}) {
        if (monitor != nullptr) {
            udev_monitor_unref(monitor);
        }
    }
    if (udev_ != nullptr) {
        udev_unref(udev_);
    }
    if (stopFd_ >= 0) {
        close(stopFd_);
    }
}

udev_monitor* UeventWatcher::NewMonitor(const char* source,
                                        const std::vector<std::string>& subsystems) {
    udev_monitor* monitor = udev_monitor_new_from_netlink(udev_, source);
    if (monitor == nullptr) {
        return nullptr;
    }
    bool ok = true;
    for (const std::string& subsystem : subsystems) {
        ok = ok && udev_monitor_filter_add_match_subsystem_devtype(monitor, subsystem.c_str(),
                                                                   nullptr) >= 0;
    }
    if (!ok || udev_monitor_enable_receiving(monitor) < 0) {
        udev_monitor_unref(monitor);
        return nullptr;
    }
    return monitor;
}

void UeventWatcher::Run() {
    std::array<pollfd, 3> fds{};
    fds[0] = {stopFd_, POLLIN, 0};
    fds[1] = {udev_monitor_get_fd(kernelMonitor_), POLLIN, 0};
    nfds_t count = 2;
    if (udevMonitor_ != nullptr) {
        fds[2] = {udev_monitor_get_fd(udevMonitor_), POLLIN, 0};
        count = 3;
    }
    for (;;) {
        if (poll(fds.data(), count, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[0].revents != 0) {
            return;
        }
        Serve(fds[1], kernelMonitor_);
        if (count == 3) {
            Serve(fds[2], udevMonitor_);
        }
    }
}

void UeventWatcher::Serve(pollfd& fd, udev_monitor* monitor) {
    if ((fd.revents & (POLLHUP | POLLNVAL)) != 0) {
        fd.fd = -1;  // a dead monitor is left alone rather than polled in a busy loop
        return;
    }
    if ((fd.revents & POLLERR) != 0) {
        // The receive buffer overflowed and events were lost: one of them may have concerned the
        // watched devices.
        PostMessage(window_, message_, 0, 0);
    }
    if ((fd.revents & (POLLIN | POLLERR)) != 0) {
        Receive(monitor);
    }
}

// One event per call: the monitor's socket stays readable while more are queued. Events of other
// subsystems come back as nullptr, filtered out by libudev itself.
void UeventWatcher::Receive(udev_monitor* monitor) {
    udev_device* device = udev_monitor_receive_device(monitor);
    if (device == nullptr) {
        return;
    }
    const char* action = udev_device_get_action(device);
    if (action != nullptr &&
        (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0)) {
        PostMessage(window_, message_, 0, 0);
    }
    udev_device_unref(device);
}

bool IsSetUpByUdev(const std::string& hidrawName) {
    udev* context = udev_new();
    if (context == nullptr) {
        return false;
    }
    udev_device* device =
        udev_device_new_from_subsystem_sysname(context, "hidraw", hidrawName.c_str());
    const bool setUp = device != nullptr && udev_device_get_is_initialized(device) > 0;
    if (device != nullptr) {
        udev_device_unref(device);
    }
    udev_unref(context);
    return setUp;
}

}  // namespace platform
