// The in-process HID stand-in: plugged devices, open handles with their report queues, writes.
#include "platform/hid/fake/FakeHidBackend.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "platform/loop/Window.h"

namespace platform {

namespace {

// One open handle: reports queue here from the moment it is opened, as on a hidraw node.
struct Handle {
    std::string path;
    std::uint64_t plugging;  // which plugging of the path it was opened on
    std::deque<std::vector<std::uint8_t>> reports;
    bool gone = false;
    bool interrupted = false;
};

struct Plugged {
    HidDeviceInfo info;
    std::uint64_t plugging;
};

}  // namespace

struct FakeHidBackend::State {
    explicit State(Clock* clock) : stallClock(clock) {}

    // Raises a device change to the watcher, outside the lock.
    void RaiseDeviceChange(std::unique_lock<std::mutex>& lock) {
        const WindowHandle window = watchWindow;
        const MessageId message = watchMessage;
        lock.unlock();
        if (window != kNoWindow) {
            PostMessage(window, message, 0, 0);
        }
    }

    void MarkGone(const std::string& path) {
        for (const std::shared_ptr<Handle>& handle : handles) {
            if (handle->path == path) {
                handle->gone = true;
            }
        }
        changed.notify_all();
    }

    Clock* const stallClock;
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::map<std::string, Plugged> devices;
    std::vector<std::string> refused;
    std::vector<std::shared_ptr<Handle>> handles;
    std::uint64_t nextPlugging = 1;
    std::size_t enumerateCount = 0;
    std::size_t openCount = 0;
    std::size_t readCalls = 0;
    std::size_t readsInProgress = 0;
    HidResult failResult = HidResult::Ok;
    std::size_t failCount = 0;
    std::vector<WriteRecord> writes;
    WindowHandle watchWindow = kNoWindow;
    MessageId watchMessage = 0;
};

class FakeHidBackend::FakeDevice final : public HidDevice {
  public:
    FakeDevice(std::shared_ptr<State> state, std::shared_ptr<Handle> handle)
        : state_(std::move(state)), handle_(std::move(handle)) {}

    ~FakeDevice() override {
        std::lock_guard lock(state_->mutex);
        std::erase(state_->handles, handle_);
    }

    HidResult Read(std::span<std::uint8_t> report, std::chrono::milliseconds timeout,
                   std::size_t& length) override {
        std::unique_lock lock(state_->mutex);
        ++state_->readCalls;
        ++state_->readsInProgress;
        state_->changed.notify_all();
        const auto ready = [this] {
            return handle_->interrupted || handle_->gone || !handle_->reports.empty();
        };
        if (timeout == kWaitForever) {
            state_->changed.wait(lock, ready);
        } else {
            state_->changed.wait_for(lock, timeout, ready);
        }
        handle_->interrupted = false;
        --state_->readsInProgress;
        if (handle_->gone) {
            return HidResult::NotConnected;
        }
        if (handle_->reports.empty()) {
            return HidResult::Timeout;
        }
        const std::vector<std::uint8_t>& next = handle_->reports.front();
        // Like a hidraw read, a report longer than the buffer is cut to the buffer.
        length = std::min(next.size(), report.size());
        std::copy_n(next.begin(), length, report.begin());
        handle_->reports.pop_front();
        return HidResult::Ok;
    }

    void InterruptRead() override {
        std::lock_guard lock(state_->mutex);
        handle_->interrupted = true;
        state_->changed.notify_all();
    }

    HidResult Write(std::span<const std::uint8_t> report,
                    std::chrono::milliseconds timeout) override {
        std::unique_lock lock(state_->mutex);
        HidResult result = handle_->gone ? HidResult::NotConnected : HidResult::Ok;
        if (result == HidResult::Ok && state_->failCount > 0) {
            --state_->failCount;
            result = state_->failResult;
        }
        state_->writes.push_back({handle_->path,
                                  std::vector<std::uint8_t>(report.begin(), report.end()), timeout,
                                  result});
        if (result == HidResult::Timeout && state_->stallClock != nullptr) {
            Clock& clock = *state_->stallClock;
            lock.unlock();
            clock.Sleep(timeout);
        }
        return result;
    }

  private:
    std::shared_ptr<State> state_;
    std::shared_ptr<Handle> handle_;
};

FakeHidBackend::FakeHidBackend(Clock* stallClock) : state_(std::make_shared<State>(stallClock)) {}

FakeHidBackend::~FakeHidBackend() {
    StopWatching();
}

std::vector<HidDeviceInfo> FakeHidBackend::Enumerate() {
    std::lock_guard lock(state_->mutex);
    ++state_->enumerateCount;
    std::vector<HidDeviceInfo> list;
    for (const auto& [path, plugged] : state_->devices) {
        list.push_back(plugged.info);
    }
    return list;
}

std::unique_ptr<HidDevice> FakeHidBackend::Open(const std::string& path) {
    std::lock_guard lock(state_->mutex);
    auto it = state_->devices.find(path);
    if (it == state_->devices.end() || std::ranges::count(state_->refused, path) > 0) {
        return nullptr;
    }
    auto handle = std::make_shared<Handle>(Handle{path, it->second.plugging, {}, false, false});
    state_->handles.push_back(handle);
    ++state_->openCount;
    return std::make_unique<FakeDevice>(state_, std::move(handle));
}

void FakeHidBackend::StartWatching(WindowHandle window, MessageId message) {
    std::lock_guard lock(state_->mutex);
    state_->watchWindow = window;
    state_->watchMessage = message;
}

void FakeHidBackend::StopWatching() {
    std::lock_guard lock(state_->mutex);
    state_->watchWindow = kNoWindow;
}

void FakeHidBackend::Plug(const HidDeviceInfo& device) {
    std::unique_lock lock(state_->mutex);
    // A device plugged again under the same path is a new device to handles opened before.
    state_->MarkGone(device.path);
    state_->devices[device.path] = Plugged{device, state_->nextPlugging++};
    state_->RaiseDeviceChange(lock);
}

bool FakeHidBackend::Unplug(const std::string& path) {
    std::unique_lock lock(state_->mutex);
    if (state_->devices.erase(path) == 0) {
        return false;
    }
    state_->MarkGone(path);
    state_->RaiseDeviceChange(lock);
    return true;
}

void FakeHidBackend::RefuseOpen(const std::string& path, bool refuse) {
    std::lock_guard lock(state_->mutex);
    std::erase(state_->refused, path);
    if (refuse) {
        state_->refused.push_back(path);
    }
}

std::size_t FakeHidBackend::InjectReport(const std::string& path,
                                         std::span<const std::uint8_t> report) {
    std::lock_guard lock(state_->mutex);
    auto it = state_->devices.find(path);
    if (it == state_->devices.end()) {
        return 0;
    }
    std::size_t received = 0;
    for (const std::shared_ptr<Handle>& handle : state_->handles) {
        if (handle->path == path && handle->plugging == it->second.plugging && !handle->gone) {
            handle->reports.emplace_back(report.begin(), report.end());
            ++received;
        }
    }
    state_->changed.notify_all();
    return received;
}

void FakeHidBackend::FailNextWrites(HidResult result, std::size_t count) {
    std::lock_guard lock(state_->mutex);
    state_->failResult = result;
    state_->failCount = count;
}

std::vector<FakeHidBackend::WriteRecord> FakeHidBackend::Writes() const {
    std::lock_guard lock(state_->mutex);
    return state_->writes;
}

void FakeHidBackend::ClearWrites() {
    std::lock_guard lock(state_->mutex);
    state_->writes.clear();
}

std::size_t FakeHidBackend::EnumerateCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->enumerateCount;
}

std::size_t FakeHidBackend::OpenHandles() const {
    std::lock_guard lock(state_->mutex);
    return state_->handles.size();
}

std::size_t FakeHidBackend::OpenCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->openCount;
}

std::size_t FakeHidBackend::ReadCalls() const {
    std::lock_guard lock(state_->mutex);
    return state_->readCalls;
}

std::size_t FakeHidBackend::ReadsInProgress() const {
    std::lock_guard lock(state_->mutex);
    return state_->readsInProgress;
}

bool FakeHidBackend::WaitForReadCalls(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(state_->mutex);
    return state_->changed.wait_for(lock, timeout, [&] { return state_->readCalls >= count; });
}

bool FakeHidBackend::WaitForReadInProgress(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(state_->mutex);
    return state_->changed.wait_for(lock, timeout, [&] { return state_->readsInProgress > 0; });
}

}  // namespace platform
