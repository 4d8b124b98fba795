// The loop's clocks: the real monotonic clock and a manual clock that tests move by hand.
#pragma once

#include <atomic>
#include <chrono>

namespace platform {

using Duration = std::chrono::microseconds;
// Time since the clock's own epoch.
using TimePoint = std::chrono::microseconds;

class Clock {
  public:
    virtual ~Clock() = default;
    virtual TimePoint Now() const = 0;
    // Blocks the calling thread for `d` (the real clock) or moves time on by `d` at once (the
    // manual clock). Either way nothing else happens meanwhile.
    virtual void Sleep(Duration d) = 0;
    virtual bool IsManual() const = 0;
};

class RealClock final : public Clock {
  public:
    TimePoint Now() const override;
    void Sleep(Duration d) override;
    bool IsManual() const override { return false; }
};

// Starts at 0 and moves only when told to.
class ManualClock final : public Clock {
  public:
    TimePoint Now() const override { return TimePoint(now_.load()); }
    void Sleep(Duration d) override { Advance(d); }
    bool IsManual() const override { return true; }
    void Advance(Duration d) { now_ += d.count(); }
    void Set(TimePoint t) { now_ = t.count(); }

  private:
    std::atomic<Duration::rep> now_{0};
};

}  // namespace platform
