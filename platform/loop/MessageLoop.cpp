// The message loop: post queue, timers, and the standalone and pumped ways of running it.
#include "platform/loop/MessageLoop.h"

#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <stdexcept>

#include "platform/loop/Window.h"

namespace platform {
namespace {

thread_local MessageLoop* currentLoop = nullptr;

// Windows never runs a timer faster than this.
constexpr std::chrono::milliseconds kMinimumTimerPeriod{10};

constexpr std::uint64_t kWakeWatch = 0;

// The real clock has no state, so every loop on it can share one.
Clock& TheRealClock() {
    static RealClock clock;
    return clock;
}

}  // namespace

MessageLoop::MessageLoop() : MessageLoop(TheRealClock()) {}

MessageLoop::MessageLoop(Clock& clock) : clock_(clock) {
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) {
        throw std::runtime_error("message loop: eventfd failed");
    }
    pollFd_ = epoll_create1(EPOLL_CLOEXEC);
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = kWakeWatch;
    if (pollFd_ < 0 || epoll_ctl(pollFd_, EPOLL_CTL_ADD, wakeFd_, &event) != 0) {
        close(wakeFd_);
        throw std::runtime_error("message loop: epoll failed");
    }
    previousCurrent_ = currentLoop;
    currentLoop = this;
}

MessageLoop::~MessageLoop() {
    if (currentLoop == this) {
        currentLoop = previousCurrent_;
    }
    close(pollFd_);
    close(wakeFd_);
}

MessageLoop* MessageLoop::Current() {
    return currentLoop;
}

bool MessageLoop::PostTo(WindowHandle window, MessageId message, WPARAM wParam, LPARAM lParam) {
    {
        std::lock_guard lock(queueMutex_);
        if (queue_.size() >= kMaxPosted) {
            ++dropped_;
            return false;
        }
        queue_.push_back({window, message, wParam, lParam});
    }
    const std::uint64_t one = 1;
    // A full eventfd counter still wakes the reader, so a failed write loses nothing.
    [[maybe_unused]] ssize_t written = write(wakeFd_, &one, sizeof one);
    return true;
}

MessageLoop::WatchId MessageLoop::Watch(int fd, std::function<void()> onReady) {
    const WatchId id = nextWatch_++;
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = id;
    if (epoll_ctl(pollFd_, EPOLL_CTL_ADD, fd, &event) != 0) {
        throw std::runtime_error("message loop: cannot watch descriptor");
    }
    watches_.emplace(id, std::move(onReady));
    watchFds_.emplace(id, fd);
    return id;
}

void MessageLoop::Unwatch(WatchId id) {
    auto fd = watchFds_.find(id);
    if (fd == watchFds_.end()) {
        return;
    }
    epoll_ctl(pollFd_, EPOLL_CTL_DEL, fd->second, nullptr);
    watchFds_.erase(fd);
    watches_.erase(id);
}

std::size_t MessageLoop::ServeReadyWatches() {
    epoll_event events[32];
    const int ready = epoll_wait(pollFd_, events, 32, 0);
    std::size_t served = 0;
    for (int i = 0; i < ready; ++i) {
        // A handler may unwatch others, so every one is looked up again before it runs.
        auto watch = watches_.find(events[i].data.u64);
        if (watch != watches_.end()) {
            std::function<void()> handler = watch->second;
            handler();
            ++served;
        }
    }
    return served;
}

std::size_t MessageLoop::DroppedPosts() const {
    std::lock_guard lock(queueMutex_);
    return dropped_;
}

void MessageLoop::Quit(int code) {
    {
        std::lock_guard lock(queueMutex_);
        quit_ = true;
        quitCode_ = code;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(wakeFd_, &one, sizeof one);
}

void MessageLoop::SetTimer(WindowHandle window, TimerId id, std::chrono::milliseconds period) {
    const Duration p = std::max<Duration>(period, kMinimumTimerPeriod);
    timers_[{window, id}] = Timer{p, Now() + p};
}

bool MessageLoop::KillTimer(WindowHandle window, TimerId id) {
    return timers_.erase({window, id}) > 0;
}

void MessageLoop::KillAllTimers(WindowHandle window) {
    std::erase_if(timers_, [window](const auto& entry) { return entry.first.first == window; });
}

std::optional<Duration> MessageLoop::TimeUntilNextTimer() const {
    if (timers_.empty()) {
        return std::nullopt;
    }
    TimePoint earliest = timers_.begin()->second.due;
    for (const auto& [key, timer] : timers_) {
        earliest = std::min(earliest, timer.due);
    }
    return std::max(Duration::zero(), earliest - Now());
}

void MessageLoop::DrainWakeFd() {
    std::uint64_t count = 0;
    [[maybe_unused]] ssize_t got = read(wakeFd_, &count, sizeof count);
}

std::size_t MessageLoop::DeliverPosted() {
    std::size_t delivered = 0;
    for (;;) {
        Posted posted;
        {
            std::lock_guard lock(queueMutex_);
            if (queue_.empty() || quit_) {
                return delivered;
            }
            posted = queue_.front();
            queue_.pop_front();
        }
        if (Window* target = FromHandle(posted.window)) {
            target->WindowProc(posted.message, posted.wParam, posted.lParam);
            ++delivered;
        }
    }
}

bool MessageLoop::DeliverOneDueTimer() {
    const TimePoint now = Now();
    auto due = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second.due <= now && (due == timers_.end() || it->second.due < due->second.due)) {
            due = it;
        }
    }
    if (due == timers_.end()) {
        return false;
    }
    const auto [window, id] = due->first;
    Timer& timer = due->second;
    timer.due += timer.period;
    if (timer.due <= now) {
        // Ticks missed while the loop was busy collapse into the one delivered now.
        timer.due = now + timer.period;
    }
    Window* target = FromHandle(window);
    if (target == nullptr) {
        timers_.erase(due);
        return true;
    }
    target->WindowProc(WM_TIMER, id, 0);
    return true;
}

std::size_t MessageLoop::ProcessReady() {
    DrainWakeFd();
    std::size_t delivered = DeliverPosted();
    if (!watches_.empty()) {
        delivered += ServeReadyWatches();
        delivered += DeliverPosted();
    }
    while (!quit_ && DeliverOneDueTimer()) {
        ++delivered;
        delivered += DeliverPosted();
    }
    return delivered;
}

void MessageLoop::AdvanceBy(Duration d) {
    auto* manual = dynamic_cast<ManualClock*>(&clock_);
    if (manual == nullptr) {
        throw std::logic_error("message loop: AdvanceBy needs the manual clock");
    }
    const TimePoint target = Now() + d;
    ProcessReady();
    for (;;) {
        std::optional<Duration> next = TimeUntilNextTimer();
        if (!next || Now() + *next > target) {
            break;
        }
        manual->Set(Now() + *next);
        ProcessReady();
    }
    if (Now() < target) {
        manual->Set(target);
    }
    ProcessReady();
}

bool MessageLoop::WaitForPost(std::chrono::milliseconds timeout) {
    {
        std::lock_guard lock(queueMutex_);
        if (!queue_.empty()) {
            return true;
        }
    }
    pollfd fd{pollFd_, POLLIN, 0};
    return poll(&fd, 1, static_cast<int>(timeout.count())) > 0;
}

int MessageLoop::Run() {
    for (;;) {
        ProcessReady();
        {
            std::lock_guard lock(queueMutex_);
            if (quit_) {
                quit_ = false;
                return quitCode_;
            }
        }
        int timeoutMs = -1;
        if (std::optional<Duration> next = TimeUntilNextTimer()) {
            // Round up so that the timer is due when poll returns.
            timeoutMs = static_cast<int>((next->count() + 999) / 1000);
        }
        pollfd fd{pollFd_, POLLIN, 0};
        if (poll(&fd, 1, timeoutMs) < 0 && errno != EINTR) {
            throw std::runtime_error("message loop: poll failed");
        }
    }
}

}  // namespace platform
