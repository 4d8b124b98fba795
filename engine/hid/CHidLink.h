// The handset's HID link: finds and opens the handset, reads its input reports on a thread of its
// own, writes output reports and follows device arrival and removal.
//
// Posts to the owner window: "HIDDataReceived" (report bytes 1..4 and 5..8, from the reader
// thread) and "HIDDEVICECHANGE" (1 present, 0 gone). Its caption is the device status text.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "common/LcdFrame.h"
#include "engine/Links.h"
#include "engine/hid/HandsetProtocol.h"
#include "platform/hid/HidBackend.h"
#include "platform/loop/Window.h"

class CHidLink final : public platform::Window, public IHidLink {
  public:
    static constexpr std::chrono::milliseconds kWriteTimeout{50};
    // After a write that did not complete in time, frames fail at once for this long before the
    // handset is tried again, so that a handset that stops taking output costs the loop one
    // write's budget now and then instead of one per frame.
    static constexpr std::chrono::milliseconds kStalledPause{1000};
    // A hidraw handle queues at most this many input reports.
    static constexpr std::size_t kMaxQueuedReports = 64;
    // Re-enumerations after a write found the device gone.
    static constexpr int kRechecksAfterRemoval = 4;

    // A window of the current thread's loop. Looks for the handset of `productId` (vendor
    // 0x1908) on `backend` and watches it for device changes.
    CHidLink(platform::WindowHandle owner, std::uint16_t productId,
             std::shared_ptr<platform::HidBackend> backend);
    ~CHidLink() override;

    platform::WindowHandle Handle() const override { return Window::Handle(); }
    // On: finds the handset unless it is known present, and opens it when present. Posts
    // nothing and leaves the caption alone.
    void SetAutoOpen(bool autoOpen) override;
    bool IsPresent() const override { return present_; }
    bool SendCtrlCmd(std::uint8_t command, std::uint8_t value) override;
    // Header, 64 data frames, trailer; stops at the first frame that fails and returns false.
    bool SendLCDFrame(const LCDFrame& frame) override;

    // Enumerates, holding the device lock; the first match that opens is the handset: its path
    // and report lengths are stored and the open device is kept for OpenDevice. A match that
    // does not open is skipped, so present always means opened.
    bool FindDevice();
    // Takes the device FindDevice opened, or opens the found path again (if not open yet), and
    // starts the reader when it is not running.
    bool OpenDevice();
    // Auto-open off, the reader stopped and joined, the device closed.
    void CloseDevice();
    // One output report: report id 0, then `frame`; false when the handset is not open, the
    // write failed or did not complete in 50 ms, or the handset stalled less than kStalledPause
    // ago. A device found gone is looked for again.
    bool WriteFrame(const handset::Frame& frame);
    void UpdateStatusText();

    // WM_PAINT paints as every window does and then updates the caption, surface or not.
    platform::LRESULT WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override;

  protected:
    void OnClose() override;

  private:
    void OnDeviceChange();
    bool IsOpen() const;
    // Releases the open device once the reader is out of any read on it, so that the device is
    // really closed before another is opened (a report is then never read from both); reports
    // still queued on it are delivered first.
    void CloseReadHandle();
    // Caller holds readMutex_.
    std::size_t ReportBufferSize() const;
    // Caller holds readMutex_: ends the read the reader is in, if any.
    void InterruptReader();
    void StopReader();
    void ReaderLoop();
    void Deliver(std::span<const std::uint8_t> report) const;

    // The one open device serves both the reader and the writes; guarded by readMutex_.
    std::shared_ptr<platform::HidDevice> device_;
    // What FindDevice opened, until OpenDevice takes it or the enumeration's caller drops it.
    std::shared_ptr<platform::HidDevice> found_;
    std::string devicePath_;
    const platform::WindowHandle owner_;
    bool present_ = false;
    LCDFrame transmitFrame_{};
    std::thread reader_;
    bool autoOpen_ = false;
    const std::uint16_t productId_;

    const std::shared_ptr<platform::HidBackend> backend_;
    const platform::MessageId dataReceived_;
    const platform::MessageId deviceChange_;
    // Serialises enumeration against writes.
    std::mutex deviceLock_;

    // Shared with the reader thread.
    mutable std::mutex readMutex_;
    std::condition_variable readerWake_;
    std::size_t inputReportLength_ = handset::kInputReportSize;
    std::size_t outputReportLength_ = handset::kOutputReportSize;
    std::uint64_t openings_ =
        0;  // counts opens, so the reader knows a new device from a failed one
    bool readerInRead_ = false;
    bool stopReader_ = false;

    // Loop thread only: the open device did not take a frame in time; frames fail at once until
    // `retryAt_` on the loop's clock.
    bool stalled_ = false;
    platform::TimePoint retryAt_{};
};
