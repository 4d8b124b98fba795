// A HID device made with /dev/uhid: creation, input reports, unplugging, and the kernel's events.
#include "tests/kernel/UhidDevice.h"

#include <fcntl.h>
#include <linux/input.h>
#include <linux/uhid.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace kerneltest {

UhidDevice::UhidDevice(const UhidIdentity& identity) {
    fd_ = open("/dev/uhid", O_RDWR | O_CLOEXEC);
    stopFd_ = eventfd(0, EFD_CLOEXEC);
    holdFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd_ < 0 || stopFd_ < 0 || holdFd_ < 0 ||
        identity.reportDescriptor.size() > HID_MAX_DESCRIPTOR_SIZE) {
        return;
    }
    events_ = std::thread(&UhidDevice::TakeEvents, this);
    sched_param priority{};
    priority.sched_priority = 10;
    if (pthread_setschedparam(events_.native_handle(), SCHED_FIFO, &priority) != 0) {
        return;
    }

    uhid_event create{};
    create.type = UHID_CREATE2;
    std::strncpy(reinterpret_cast<char*>(create.u.create2.name), identity.name.c_str(),
                 sizeof create.u.create2.name - 1);
    create.u.create2.rd_size = static_cast<std::uint16_t>(identity.reportDescriptor.size());
    create.u.create2.bus = BUS_USB;
    create.u.create2.vendor = identity.vendorId;
    create.u.create2.product = identity.productId;
    std::copy(identity.reportDescriptor.begin(), identity.reportDescriptor.end(),
              create.u.create2.rd_data);
    plugged_ = Write(&create, sizeof create);
}

UhidDevice::~UhidDevice() {
    HoldEvents(false);
    Unplug();
    if (events_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(stopFd_, &one, sizeof one);
        events_.join();
    }
    for (int fd : {fd_, stopFd_, holdFd_}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

void UhidDevice::Unplug() {
    if (plugged_.exchange(false)) {
        uhid_event destroy{};
        destroy.type = UHID_DESTROY;
        Write(&destroy, sizeof destroy);
    }
}

bool UhidDevice::SendInput(std::span<const std::uint8_t> report) {
    if (!plugged_ || report.size() > UHID_DATA_MAX) {
        return false;
    }
    uhid_event input{};
    input.type = UHID_INPUT2;
    input.u.input2.size = static_cast<std::uint16_t>(report.size());
    std::copy(report.begin(), report.end(), input.u.input2.data);
    return Write(&input, sizeof input);
}

std::vector<UhidDevice::Output> UhidDevice::Outputs() const {
    std::lock_guard lock(outputsMutex_);
    return outputs_;
}

std::size_t UhidDevice::OutputCount() const {
    std::lock_guard lock(outputsMutex_);
    return outputs_.size();
}

bool UhidDevice::Write(const void* event, std::size_t size) {
    for (;;) {
        const ssize_t n = write(fd_, event, size);
        if (n >= 0 || errno != EINTR) {
            return n == static_cast<ssize_t>(size);
        }
    }
}

void UhidDevice::TakeEvents() {
    std::array<pollfd, 3> fds{{{stopFd_, POLLIN, 0}, {fd_, POLLIN, 0}, {holdFd_, POLLIN, 0}}};
    for (;;) {
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[0].revents != 0 || (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return;
        }
        if (fds[2].revents != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t drained = read(holdFd_, &count, sizeof count);
        }
        // Checked before every event is taken, so that a hold holds from the moment it is set.
        {
            std::unique_lock lock(holdMutex_);
            holdChanged_.wait(lock, [this] { return !held_; });
        }
        if ((fds[1].revents & POLLIN) == 0) {
            continue;
        }
        uhid_event event{};
        if (read(fd_, &event, sizeof event) < static_cast<ssize_t>(sizeof event.type)) {
            continue;
        }
        switch (event.type) {
            case UHID_START:
                started_ = true;
                break;
            case UHID_STOP:
                stopped_ = true;
                break;
            case UHID_OPEN:
                ++opens_;
                break;
            case UHID_CLOSE:
                ++closes_;
                break;
            case UHID_OUTPUT: {
                const std::size_t size = std::min<std::size_t>(event.u.output.size, UHID_DATA_MAX);
                std::lock_guard lock(outputsMutex_);
                outputs_.push_back(
                    {std::vector<std::uint8_t>(event.u.output.data, event.u.output.data + size),
                     event.u.output.rtype});
                break;
            }
            case UHID_GET_REPORT: {
                // The handset has no feature reports: refuse at once rather than let the kernel
                // wait for an answer.
                uhid_event reply{};
                reply.type = UHID_GET_REPORT_REPLY;
                reply.u.get_report_reply.id = event.u.get_report.id;
                reply.u.get_report_reply.err = EIO;
                Write(&reply, sizeof reply);
                break;
            }
            case UHID_SET_REPORT: {
                // An output report sent as SET_REPORT is taken as any output report; the
                // handset has no feature reports to set.
                const bool output = event.u.set_report.rtype == UHID_OUTPUT_REPORT;
                if (output) {
                    const std::size_t size =
                        std::min<std::size_t>(event.u.set_report.size, UHID_DATA_MAX);
                    std::lock_guard lock(outputsMutex_);
                    outputs_.push_back({std::vector<std::uint8_t>(event.u.set_report.data,
                                                                  event.u.set_report.data + size),
                                        event.u.set_report.rtype});
                }
                uhid_event reply{};
                reply.type = UHID_SET_REPORT_REPLY;
                reply.u.set_report_reply.id = event.u.set_report.id;
                reply.u.set_report_reply.err = output ? 0 : EIO;
                Write(&reply, sizeof reply);
                break;
            }
            default:
                break;
        }
    }
}

void UhidDevice::HoldEvents(bool hold) {
    {
        std::lock_guard lock(holdMutex_);
        held_ = hold;
    }
    holdChanged_.notify_all();
    // Wakes the thread from its poll, so that it sees the hold before the next event.
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(holdFd_, &one, sizeof one);
}

}  // namespace kerneltest
