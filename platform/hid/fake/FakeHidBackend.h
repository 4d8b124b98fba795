// An in-process stand-in for the HID devices, for tests: devices are plain data that a test plugs,
// unplugs and types on, and every output report written is recorded. No device node is touched.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/hid/HidBackend.h"
#include "platform/loop/Clock.h"

namespace platform {

// Every operation is thread-safe: a link's reader thread reads while the test injects.
class FakeHidBackend final : public HidBackend {
  public:
    struct WriteRecord {
        std::string path;
        std::vector<std::uint8_t> report;
        std::chrono::milliseconds timeout;
        HidResult result;
    };

    // A stalled write sleeps its timeout on `stallClock` (the loop's manual clock in tests) when
    // one is given, and returns at once otherwise.
    explicit FakeHidBackend(Clock* stallClock = nullptr);
    ~FakeHidBackend() override;
    FakeHidBackend(const FakeHidBackend&) = delete;
    FakeHidBackend& operator=(const FakeHidBackend&) = delete;

    // The backend side, as the link sees it.
    std::vector<HidDeviceInfo> Enumerate() override;
    std::unique_ptr<HidDevice> Open(const std::string& path) override;
    void StartWatching(WindowHandle window, MessageId message) override;
    void StopWatching() override;

    // Adds `device` (replacing a device with the same path) and raises a device change.
    void Plug(const HidDeviceInfo& device);
    // Removes the device: its open handles read and write NotConnected from then on. Raises a
    // device change; returns false, raising nothing, when no such device is plugged.
    bool Unplug(const std::string& path);
    // While refused, opening the device fails although it is listed.
    void RefuseOpen(const std::string& path, bool refuse);

    // Queues `report` exactly as given (report-id byte first) on every open handle of the
    // device, as the kernel does; returns the number of handles that received it.
    std::size_t InjectReport(const std::string& path, std::span<const std::uint8_t> report);

    // The next `count` writes, on any device, fail with `result` without reaching the device:
    // NotConnected, Error, or Timeout for a write that stalls for its whole timeout.
    void FailNextWrites(HidResult result, std::size_t count = 1);
    // Every write so far, failed ones included, in order.
    std::vector<WriteRecord> Writes() const;
    void ClearWrites();

    // Enumerations so far.
    std::size_t EnumerateCount() const;
    // Handles open now, and opens so far.
    std::size_t OpenHandles() const;
    std::size_t OpenCount() const;
    // Read calls so far, and those running now.
    std::size_t ReadCalls() const;
    std::size_t ReadsInProgress() const;
    // Blocks, in real time, until ReadCalls() reaches `count` or `timeout` passes; returns
    // whether it was reached.
    bool WaitForReadCalls(std::size_t count, std::chrono::milliseconds timeout) const;
    // Blocks, in real time, until a read is running or `timeout` passes; returns whether one is.
    bool WaitForReadInProgress(std::chrono::milliseconds timeout) const;

  private:
    struct State;
    class FakeDevice;
    std::shared_ptr<State> state_;
};

}  // namespace platform
