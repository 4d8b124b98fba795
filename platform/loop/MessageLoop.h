// The message loop every component talks through: posted messages, synchronous sends, timers.
//
// One loop serves one thread (the GUI thread). Windows (Window.h) belong to a loop. Posting is
// thread-safe and FIFO per loop; sending runs the window procedure at once on the caller's stack
// and must happen on the loop's thread. Timers follow the Windows rules: a tick is not a queued
// message but a flag, so a tick that falls due while the previous one is undelivered is not
// delivered twice, setting a running timer restarts its period and killing a timer drops its
// undelivered tick. Posted messages go before timer ticks.
//
// File descriptors can be watched: the loop calls a handler on its own thread while the
// descriptor is readable (or hung up), so sockets are served without a thread of their own.
//
// The loop runs standalone (Run) or is pumped by a foreign event loop: watch WakeFd() for
// readability, wake up after TimeUntilNextTimer(), and call ProcessReady().
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/loop/Clock.h"
#include "platform/loop/WindowTypes.h"

namespace platform {

class Window;

class MessageLoop {
  public:
    // The most messages a loop holds undelivered, as on Windows; a post beyond it fails.
    static constexpr std::size_t kMaxPosted = 10000;

    // A loop on the real clock.
    MessageLoop();
    // A loop on `clock`, which must outlive it.
    explicit MessageLoop(Clock& clock);
    ~MessageLoop();
    MessageLoop(const MessageLoop&) = delete;
    MessageLoop& operator=(const MessageLoop&) = delete;

    // The loop created most recently on this thread and still alive, or nullptr. Windows made
    // without naming a loop join it.
    static MessageLoop* Current();

    Clock& GetClock() const { return clock_; }
    TimePoint Now() const { return clock_.Now(); }
    // Sleeps through the loop's clock; no message or timer runs meanwhile.
    void Sleep(std::chrono::milliseconds ms) { clock_.Sleep(ms); }

    // Runs until Quit; returns Quit's code.
    int Run();
    // Makes Run return after the message being handled. Thread-safe.
    void Quit(int code = 0);

    // Calls `onReady` on the loop thread, from ProcessReady, whenever `fd` is readable or hung
    // up, until Unwatch. The descriptor stays the caller's. Returns the watch's id (never 0).
    using WatchId = std::uint64_t;
    WatchId Watch(int fd, std::function<void()> onReady);
    void Unwatch(WatchId id);

    // Pumping from another loop: readable whenever a message is posted or a watched descriptor
    // is ready.
    int WakeFd() const { return pollFd_; }
    // Time until the earliest timer falls due (zero when one is due), or nothing without timers.
    std::optional<Duration> TimeUntilNextTimer() const;
    // Delivers every posted message (including those posted meanwhile) and every due timer tick,
    // then returns without blocking. Returns the number of messages delivered.
    std::size_t ProcessReady();

    // Manual clock only: moves virtual time on by `d`, stopping at every timer deadline on the
    // way, so that every tick and every message runs at its own time, in order.
    void AdvanceBy(Duration d);
    // Blocks the thread, in real time, until something is posted or a watched descriptor is
    // ready, or `timeout` passes; returns whether anything is ready. For tests whose messages come
    // from another thread or process.
    bool WaitForPost(std::chrono::milliseconds timeout);

    // Number of posts refused because the queue was full.
    std::size_t DroppedPosts() const;

    // Window-manager operations, reached through the free functions of Window.h.
    bool PostTo(WindowHandle window, MessageId message, WPARAM wParam, LPARAM lParam);
    void SetTimer(WindowHandle window, TimerId id, std::chrono::milliseconds period);
    bool KillTimer(WindowHandle window, TimerId id);
    void KillAllTimers(WindowHandle window);

  private:
    struct Posted {
        WindowHandle window;
        MessageId message;
        WPARAM wParam;
        LPARAM lParam;
    };
    struct Timer {
        Duration period;
        TimePoint due;
    };
    using TimerKey = std::pair<WindowHandle, TimerId>;

    std::size_t DeliverPosted();
    std::size_t ServeReadyWatches();
    bool DeliverOneDueTimer();
    void DrainWakeFd();

    Clock& clock_;
    int wakeFd_ = -1;  // eventfd written by Post
    int pollFd_ = -1;  // epoll set of the eventfd and every watched descriptor
    MessageLoop* previousCurrent_ = nullptr;

    mutable std::mutex queueMutex_;
    std::deque<Posted> queue_;
    std::size_t dropped_ = 0;
    bool quit_ = false;
    int quitCode_ = 0;

    // Loop thread only.
    std::map<TimerKey, Timer> timers_;
    std::map<WatchId, std::function<void()>> watches_;
    std::map<WatchId, int> watchFds_;
    WatchId nextWatch_ = 1;
};

}  // namespace platform
