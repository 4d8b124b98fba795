// The real HID backend with probes: a relay for its device changes, and devices that count reads
// and record writes.
#include "tests/kernel/ProbedHidBackend.h"

#include <utility>

namespace kerneltest {
namespace {

class ProbedDevice final : public platform::HidDevice {
  public:
    ProbedDevice(std::unique_ptr<platform::HidDevice> real,
                 std::shared_ptr<ProbedHidBackend::Probes> probes)
        : real_(std::move(real)), probes_(std::move(probes)) {}

    platform::HidResult Read(std::span<std::uint8_t> report, std::chrono::milliseconds timeout,
                             std::size_t& length) override {
        ++probes_->reads;
        return real_->Read(report, timeout, length);
    }

    void InterruptRead() override { real_->InterruptRead(); }

    platform::HidResult Write(std::span<const std::uint8_t> report,
                              std::chrono::milliseconds timeout) override {
        std::function<void()> step;
        {
            std::lock_guard lock(probes_->mutex);
            if (probes_->stepAtWrite == probes_->writes.size() + 1) {
                step = std::move(probes_->step);
                probes_->stepAtWrite = 0;
            }
        }
        if (step) {
            step();
        }
        const platform::HidResult result = real_->Write(report, timeout);
        std::lock_guard lock(probes_->mutex);
        probes_->writes.push_back(result);
        return result;
    }

  private:
    std::unique_ptr<platform::HidDevice> real_;
    std::shared_ptr<ProbedHidBackend::Probes> probes_;
};

}  // namespace

ProbedHidBackend::ProbedHidBackend(std::unique_ptr<platform::HidBackend> real)
    : real_(std::move(real)) {}

ProbedHidBackend::~ProbedHidBackend() {
    real_->StopWatching();
}

std::vector<platform::HidDeviceInfo> ProbedHidBackend::Enumerate() {
    return real_->Enumerate();
}

std::unique_ptr<platform::HidDevice> ProbedHidBackend::Open(const std::string& path) {
    std::unique_ptr<platform::HidDevice> device = real_->Open(path);
    if (device == nullptr) {
        return nullptr;
    }
    return std::make_unique<ProbedDevice>(std::move(device), probes_);
}

void ProbedHidBackend::StartWatching(platform::WindowHandle window, platform::MessageId message) {
    relay_.target = window;
    relay_.targetMessage = message;
    real_->StartWatching(relay_.Handle(), platform::WM_DEVICECHANGE);
}

void ProbedHidBackend::StopWatching() {
    real_->StopWatching();
    relay_.target = platform::kNoWindow;
}

void ProbedHidBackend::BeforeWrite(std::size_t nth, std::function<void()> step) {
    std::lock_guard lock(probes_->mutex);
    probes_->stepAtWrite = probes_->writes.size() + nth;
    probes_->step = std::move(step);
}

std::vector<platform::HidResult> ProbedHidBackend::WriteResults() const {
    std::lock_guard lock(probes_->mutex);
    return probes_->writes;
}

platform::LRESULT ProbedHidBackend::Relay::WindowProc(platform::MessageId message,
                                                      platform::WPARAM wParam,
                                                      platform::LPARAM lParam) {
    if (message != platform::WM_DEVICECHANGE) {
        return Window::WindowProc(message, wParam, lParam);
    }
    if (target != platform::kNoWindow) {
        platform::SendMessage(target, targetMessage, 0, 0);
        ++handed;
    }
    return 1;
}

}  // namespace kerneltest
