// The handset's HID link: enumeration, open and close, the reader thread, writes, device changes.
#include "engine/hid/CHidLink.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "platform/log/DebugLog.h"

namespace {

using platform::HidResult;

// Faults of the handset (a malformed report, a failed read) and of ourselves (a full queue) go
// to stderr only behind the debug switch.
void LogDebug(const char* who, const char* what, std::size_t value) {
    if (platform::DebugEnabled()) {
        platform::DebugLog("hid",
                           std::string(who) + ": " + what + " (" + std::to_string(value) + ")");
    }
}

}  // namespace

CHidLink::CHidLink(platform::WindowHandle owner, std::uint16_t productId,
                   std::shared_ptr<platform::HidBackend> backend)
    : owner_(owner),
      productId_(productId),
      backend_(std::move(backend)),
      dataReceived_(RegisteredMessages::Get().hidDataReceived),
      deviceChange_(RegisteredMessages::Get().hidDeviceChange) {
    backend_->StartWatching(Handle(), platform::WM_DEVICECHANGE);
}

CHidLink::~CHidLink() {
    backend_->StopWatching();
    CloseDevice();
}

void CHidLink::SetAutoOpen(bool autoOpen) {
    autoOpen_ = autoOpen;
    if (!autoOpen_) {
        return;
    }
    if (!present_) {
        present_ = FindDevice();
    }
    if (present_) {
        OpenDevice();
    }
    found_.reset();
}

bool CHidLink::FindDevice() {
    std::lock_guard lock(deviceLock_);
    found_.reset();
    for (const platform::HidDeviceInfo& info : backend_->Enumerate()) {
        if (info.vendorId != handset::kVendorId || info.productId != productId_) {
            continue;
        }
        // A desktop announces a new node before its access rights are in place: the open that
        // fails now succeeds at the next device change, and only then is the handset there.
        std::shared_ptr<platform::HidDevice> device = backend_->Open(info.path);
        if (device == nullptr) {
            continue;
        }
        found_ = std::move(device);
        devicePath_ = info.path;
        std::lock_guard readLock(readMutex_);
        inputReportLength_ = info.inputReportLength;
        outputReportLength_ = info.outputReportLength;
        return true;
    }
    return false;
}

bool CHidLink::OpenDevice() {
    if (IsOpen()) {
        return true;
    }
    if (devicePath_.empty()) {
        return false;
    }
    std::shared_ptr<platform::HidDevice> device =
        found_ != nullptr ? std::move(found_) : backend_->Open(devicePath_);
    if (device == nullptr) {
        return false;
    }
    {
        std::lock_guard lock(readMutex_);
        device_ = std::move(device);
        ++openings_;
    }
    stalled_ = false;
    readerWake_.notify_all();
    if (!reader_.joinable()) {
        reader_ = std::thread(&CHidLink::ReaderLoop, this);
    }
    return true;
}

void CHidLink::CloseDevice() {
    autoOpen_ = false;
    StopReader();
    CloseReadHandle();
    found_.reset();
}

bool CHidLink::IsOpen() const {
    std::lock_guard lock(readMutex_);
    return device_ != nullptr;
}

void CHidLink::CloseReadHandle() {
    std::shared_ptr<platform::HidDevice> closing;
    std::vector<std::uint8_t> buffer;
    {
        std::unique_lock lock(readMutex_);
        InterruptReader();
        closing = std::move(device_);  // leaves device_ empty
        readerWake_.wait(lock, [this] { return !readerInRead_; });
        buffer.resize(ReportBufferSize());
    }
    if (closing == nullptr) {
        return;
    }
    // Reports already queued on the handle are handed on, so that a change elsewhere on the bus
    // loses no key. The kernel queues at most 64 per handle.
    for (std::size_t i = 0; i < kMaxQueuedReports; ++i) {
        std::size_t length = 0;
        if (closing->Read(buffer, std::chrono::milliseconds(0), length) != HidResult::Ok) {
            break;
        }
        Deliver(std::span(buffer).first(std::min(length, buffer.size())));
    }
    // `closing` holds the last reference; the device closes here.
}

std::size_t CHidLink::ReportBufferSize() const {
    // The capabilities count the report-id byte; never ask for less than a whole report.
    return std::max(inputReportLength_, handset::kInputReportSize);
}

void CHidLink::InterruptReader() {
    // While the reader is in a read, device_ is the device it reads.
    if (readerInRead_ && device_ != nullptr) {
        device_->InterruptRead();
    }
}

void CHidLink::StopReader() {
    if (!reader_.joinable()) {
        return;
    }
    {
        std::lock_guard lock(readMutex_);
        stopReader_ = true;
        InterruptReader();
    }
    readerWake_.notify_all();
    reader_.join();
    std::lock_guard lock(readMutex_);
    stopReader_ = false;
}

// Blocks in the device's read until a report comes or the read is interrupted, and between
// devices until one is opened: an idle handset wakes nothing.
void CHidLink::ReaderLoop() {
    std::vector<std::uint8_t> buffer;
    // The opening whose read failed; it is not read again, its device is gone or broken.
    std::uint64_t failedOpening = 0;
    std::unique_lock lock(readMutex_);
    while (!stopReader_) {
        if (device_ == nullptr || openings_ == failedOpening) {
            readerWake_.wait(lock, [&] {
                return stopReader_ || (device_ != nullptr && openings_ != failedOpening);
            });
            continue;
        }
        std::shared_ptr<platform::HidDevice> device = device_;
        const std::uint64_t opening = openings_;
        buffer.resize(ReportBufferSize());
        readerInRead_ = true;
        lock.unlock();

        std::size_t length = 0;
        const HidResult result = device->Read(buffer, platform::kWaitForever, length);
        switch (result) {
            case HidResult::Ok:
                Deliver(std::span(buffer).first(std::min(length, buffer.size())));
                break;
            case HidResult::Timeout:  // interrupted
                break;
            case HidResult::NotConnected:
            case HidResult::Error:
                LogDebug("handset", "read failed, not read again until reopened",
                         static_cast<std::size_t>(result));
                failedOpening = opening;
                break;
        }
        device.reset();

        lock.lock();
        readerInRead_ = false;
        readerWake_.notify_all();
    }
}

void CHidLink::Deliver(std::span<const std::uint8_t> report) const {
    if (report.size() < handset::kInputReportSize) {
        LogDebug("handset", "short input report dropped", report.size());
        return;
    }
    const handset::PackedReport packed = handset::PackInputReport(report);
    if (!platform::PostMessage(owner_, dataReceived_, packed.wParam, packed.lParam)) {
        LogDebug("ourselves", "input report lost: owner gone or its queue full", report.size());
    }
}

bool CHidLink::WriteFrame(const handset::Frame& frame) {
    HidResult result = HidResult::Error;
    {
        std::shared_ptr<platform::HidDevice> device;
        std::size_t reportLength = 0;
        {
            std::lock_guard lock(readMutex_);
            device = device_;
            reportLength = std::max(outputReportLength_, handset::kOutputReportSize);
        }
        if (device == nullptr) {
            return false;
        }
        if (stalled_ && Loop().Now() < retryAt_) {
            return false;
        }
        std::vector<std::uint8_t> report(reportLength, 0);
        const handset::OutputReport carried = handset::ToOutputReport(frame);
        std::copy(carried.begin(), carried.end(), report.begin());
        std::lock_guard lock(deviceLock_);
        result = device->Write(report, kWriteTimeout);
    }
    stalled_ = result == HidResult::Timeout;
    if (stalled_) {
        retryAt_ = Loop().Now() + kStalledPause;
        LogDebug("handset", "output not taken in time, frames fail for a while",
                 static_cast<std::size_t>(kStalledPause.count()));
    }
    if (result == HidResult::NotConnected) {
        for (int i = 0; i < kRechecksAfterRemoval; ++i) {
            platform::SendMessage(Handle(), platform::WM_DEVICECHANGE, 0, 0);
        }
    }
    return result == HidResult::Ok;
}

bool CHidLink::SendCtrlCmd(std::uint8_t command, std::uint8_t value) {
    return WriteFrame(handset::ControlFrame(command, value));
}

bool CHidLink::SendLCDFrame(const LCDFrame& frame) {
    transmitFrame_ = frame;
    // A transfer broken off is not resumed; the next one starts again with its header.
    for (const handset::Frame& part : handset::DisplayTransfer(transmitFrame_)) {
        if (!WriteFrame(part)) {
            return false;
        }
    }
    return true;
}

void CHidLink::UpdateStatusText() {
    if (!present_) {
        SetText(L"Device Not Detected!");
    } else if (IsOpen()) {
        SetText(L"Device Detected And Opened");
    } else if (autoOpen_) {
        SetText(L"Device Detected And Open it fail!");
    } else {
        SetText(L"Device Detected And Closed");
    }
}

void CHidLink::OnDeviceChange() {
    // Every change, whether or not it concerns the handset, closes and reopens it.
    CloseReadHandle();
    const bool found = FindDevice();
    if (autoOpen_ && found) {
        OpenDevice();
    }
    found_.reset();
    const bool changed = found != present_;
    present_ = found;
    UpdateStatusText();
    if (changed) {
        platform::PostMessage(owner_, deviceChange_, found ? 1 : 0, 0);
    }
}

platform::LRESULT CHidLink::WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                       platform::LPARAM lParam) {
    if (message == platform::WM_DEVICECHANGE) {
        OnDeviceChange();
        return 1;
    }
    if (message == platform::WM_PAINT) {
        Window::WindowProc(message, wParam, lParam);
        UpdateStatusText();
        return 0;
    }
    return Window::WindowProc(message, wParam, lParam);
}

void CHidLink::OnClose() {
    backend_->StopWatching();
    CloseDevice();
    Window::OnClose();
}
