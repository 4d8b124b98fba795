// The HID layer: enumerate, open, read, write and watch HID devices.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/loop/WindowTypes.h"

namespace platform {

struct HidDeviceInfo {
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    // As the HID capabilities count them: the report-id byte included (9 and 17 for the handset).
    std::size_t inputReportLength = 0;
    std::size_t outputReportLength = 0;
};

enum class HidResult {
    Ok,
    Timeout,       // nothing read, or the write did not complete, within the time given
    NotConnected,  // the device is gone (Windows' ERROR_DEVICE_NOT_CONNECTED)
    Error,         // any other failure
};

// A read that waits until a report arrives, the device goes, or InterruptRead.
inline constexpr std::chrono::milliseconds kWaitForever{-1};

// An open device. Read and Write may run on two different threads at once.
class HidDevice {
  public:
    virtual ~HidDevice() = default;
    // Reads one input report into `report`, report-id byte first (0 for a device without report
    // ids), waiting at most `timeout` (or without limit: kWaitForever). On Ok, `length` is the
    // number of bytes stored. Blocks in the kernel or on a condition, never in slices.
    virtual HidResult Read(std::span<std::uint8_t> report, std::chrono::milliseconds timeout,
                           std::size_t& length) = 0;
    // Makes the Read running now on another thread return Timeout at once, or, when none runs,
    // the next one. One interruption ends one read; a report already waiting may be returned
    // instead. Thread-safe.
    virtual void InterruptRead() = 0;
    // Writes one output report, report-id byte first, waiting at most `timeout` for it to
    // complete. Timeout means it did not complete in that time: depending on the device it was
    // dropped or is still on its way, and while it is, further writes return Timeout at once.
    virtual HidResult Write(std::span<const std::uint8_t> report,
                            std::chrono::milliseconds timeout) = 0;
};

class HidBackend {
  public:
    virtual ~HidBackend() = default;
    virtual std::vector<HidDeviceInfo> Enumerate() = 0;
    // nullptr when the device cannot be opened.
    virtual std::unique_ptr<HidDevice> Open(const std::string& path) = 0;
    // From now on, posts `message` (wParam 0, lParam 0) to `window` for every arrival and every
    // removal of any HID device, until StopWatching or destruction. Thread-safe posting only.
    virtual void StartWatching(WindowHandle window, MessageId message) = 0;
    virtual void StopWatching() = 0;
};

// The backend the system uses: the handset simulator's socket when KESTREL_HANDSET_SOCKET is
// set, otherwise the real devices through hidraw and the kernel's device events.
std::unique_ptr<HidBackend> CreateHidBackend();

}  // namespace platform
