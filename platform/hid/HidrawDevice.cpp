// A hidraw node's reads (poll on the node and a wake descriptor) and writes (a writer thread
// waited on with a deadline).
#include "platform/hid/HidrawDevice.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/hid/HidrawBackend.h"

namespace platform {
namespace {

int PollTimeout(std::chrono::milliseconds timeout) {
    if (timeout == kWaitForever) {
        return -1;
    }
    return static_cast<int>(
        std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INT_MAX));
}

// What the writer thread and the device share. The thread may outlive the device: a write
// stuck in the kernel is not waited for when the device closes, and whichever of the two lets
// go last closes the node.
struct WriterState {
    explicit WriterState(int node) : fd(node) {}
    ~WriterState() { close(fd); }
    WriterState(const WriterState&) = delete;
    WriterState& operator=(const WriterState&) = delete;

    const int fd;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::uint8_t> report;
    bool submitted = false;  // a report waits for the thread
    bool busy = false;       // a report is submitted or being written
    HidResult result = HidResult::Ok;
    bool stop = false;
};

void WriteReports(std::shared_ptr<WriterState> state) {
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&] { return state->stop || state->submitted; });
        if (state->stop) {
            return;
        }
        state->submitted = false;
        const std::vector<std::uint8_t> report = state->report;
        lock.unlock();
        ssize_t n;
        do {
            n = write(state->fd, report.data(), report.size());
        } while (n < 0 && errno == EINTR);
        const int error = errno;
        lock.lock();
        if (n < 0) {
            state->result = ClassifyHidFailure(error);
        } else {
            state->result =
                static_cast<std::size_t>(n) == report.size() ? HidResult::Ok : HidResult::Error;
        }
        state->busy = false;
        state->changed.notify_all();
    }
}

class HidrawDevice final : public HidDevice {
  public:
    HidrawDevice(std::shared_ptr<WriterState> state, int wakeFd, bool usesReportIds)
        : state_(std::move(state)),
          wakeFd_(wakeFd),
          usesReportIds_(usesReportIds),
          writer_(WriteReports, state_) {}

    ~HidrawDevice() override {
        bool writing = false;
        {
            std::lock_guard lock(state_->mutex);
            state_->stop = true;
            writing = state_->busy;
            state_->changed.notify_all();
        }
        // A thread blocked in the kernel ends by itself when the write returns.
        if (writing) {
            writer_.detach();
        } else {
            writer_.join();
        }
        close(wakeFd_);
    }
    HidrawDevice(const HidrawDevice&) = delete;
    HidrawDevice& operator=(const HidrawDevice&) = delete;

    HidResult Read(std::span<std::uint8_t> report, std::chrono::milliseconds timeout,
                   std::size_t& length) override {
        length = 0;
        const std::size_t idBytes = usesReportIds_ ? 0 : 1;
        if (report.size() <= idBytes) {
            return HidResult::Error;
        }
        pollfd fds[] = {{state_->fd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const int ready = poll(fds, 2, PollTimeout(timeout));
        if (ready < 0) {
            return errno == EINTR ? HidResult::Timeout : HidResult::Error;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t drained = read(wakeFd_, &count, sizeof count);
        }
        // A report that waits is taken even when the device is going or the read was
        // interrupted: the kernel holds it only as long as the node is open.
        if ((fds[0].revents & POLLIN) != 0) {
            const ssize_t n = read(state_->fd, report.data() + idBytes, report.size() - idBytes);
            if (n > 0) {
                if (idBytes == 1) {
                    report[0] = 0;
                }
                length = static_cast<std::size_t>(n) + idBytes;
                return HidResult::Ok;
            }
            if (n == 0) {
                return HidResult::NotConnected;
            }
            return ClassifyHidFailure(errno);
        }
        if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return HidResult::NotConnected;
        }
        return HidResult::Timeout;
    }

    void InterruptRead() override {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(wakeFd_, &one, sizeof one);
    }

    HidResult Write(std::span<const std::uint8_t> report,
                    std::chrono::milliseconds timeout) override {
        if (report.empty()) {
            return HidResult::Error;
        }
        std::unique_lock lock(state_->mutex);
        if (state_->busy) {
            return HidResult::Timeout;
        }
        state_->report.assign(report.begin(), report.end());
        state_->submitted = true;
        state_->busy = true;
        state_->changed.notify_all();
        const auto done = [&] { return !state_->busy; };
        if (timeout == kWaitForever) {
            state_->changed.wait(lock, done);
        } else if (!state_->changed.wait_for(lock, std::max(timeout, timeout.zero()), done)) {
            return HidResult::Timeout;
        }
        return state_->result;
    }

  private:
    const std::shared_ptr<WriterState> state_;
    const int wakeFd_;
    const bool usesReportIds_;
    std::thread writer_;
};

}  // namespace

std::unique_ptr<HidDevice> MakeHidrawDevice(int fd, bool usesReportIds) {
    auto state = std::make_shared<WriterState>(fd);
    const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        return nullptr;
    }
    try {
        return std::make_unique<HidrawDevice>(std::move(state), wakeFd, usesReportIds);
    } catch (const std::system_error&) {
        close(wakeFd);
        return nullptr;
    }
}

}  // namespace platform
