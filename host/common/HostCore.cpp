// The host's engine hosting and notification handling.
#include "host/common/HostCore.h"

#include "common/Messages.h"
#include "engine/CEmualtor.h"
#include "engine/KestrelConfig.h"
#include "modebase/CEmluatorModeBase.h"
#include "platform/instance/InstanceLock.h"
#include "platform/module/Module.h"

namespace {

using CreateEmluFunction = CEmualtor* (*)(platform::WindowHandle parent);

constexpr const char* kEngineLibrary = "libKitecore.so";

}  // namespace

HostCore::HostCore(std::filesystem::path startDirectory)
    : startDirectory_(std::move(startDirectory)) {
    appName_ = KestrelConfig(startDirectory_).GetString(L"App", L"AppName", L"Quillon");
}

HostCore::~HostCore() {
    ShutdownEngine();
}

std::string HostCore::TakeInstanceLock(const std::filesystem::path& lockDirectory) {
    platform::LockAttempt attempt = platform::InstanceLock::Acquire(kInstanceName, lockDirectory);
    lock_ = std::move(attempt.lock);
    return attempt.problem;
}

CEmualtor* HostCore::LoadEngine() {
    engineLibrary_ = platform::Module::Load(kEngineLibrary);
    if (!engineLibrary_) {
        return nullptr;
    }
    auto create = reinterpret_cast<CreateEmluFunction>(engineLibrary_->Symbol("CreateEmlu"));
    return create != nullptr ? create(Handle()) : nullptr;
}

bool HostCore::StartEngine() {
    engine_ = LoadEngine();
    if (engine_ == nullptr) {
        return false;
    }
    hostMode_ = std::make_unique<CEmluatorModeBase>();
    hostMode_->SetEmuWnd(engine_->Handle());
    engine_->AddMode(hostMode_.get());
    UpdateTrayState();
    return true;
}

void HostCore::ShutdownEngine() {
    if (engine_ != nullptr) {
        platform::SendMessage(engine_->Handle(), platform::WM_CLOSE, 0, 0);
        engine_ = nullptr;
    }
    engineLibrary_.reset();
}

bool HostCore::SendSkypeCommand(const std::wstring& text) {
    return engine_ != nullptr && engine_->SendCmdToSkype(text);
}

void HostCore::PostSettingKey(std::uint8_t code) {
    if (engine_ != nullptr) {
        hostMode_->SendVirtualKey(code);
    }
}

void HostCore::PostDeviceCommand(std::uint8_t command, std::uint8_t value) {
    if (engine_ != nullptr) {
        hostMode_->RequestCmdToHID(command, value);
    }
}

void HostCore::UpdateTrayState() {
    const bool handset = engine_ != nullptr && engine_->GetHIDOnline();
    const bool skype = engine_ != nullptr && engine_->GetSkypeOnline();
    if (handset) {
        // The start-up notice tells the handset to show that the system is there.
        platform::SendMessage(engine_->Handle(), RegisteredMessages::Get().requestCmdToHid, 8, 0);
    }
    icon_ = ChooseTrayIcon(handset, skype);
    ShowState(icon_, TrayTip(appName_, icon_));
}

platform::LRESULT HostCore::WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                       platform::LPARAM lParam) {
    const RegisteredMessages& m = RegisteredMessages::Get();
    if (message == m.hidSkypeStatusChange) {
        UpdateTrayState();
    } else if (message == m.firmwareVersion) {
        firmware_ = FirmwareVersionText(static_cast<std::uint32_t>(wParam),
                                        static_cast<std::uint32_t>(lParam));
        ShowFirmware(firmware_);
        AudioDevicesChanged();
    } else if (message == m.audioDeviceChange) {
        AudioDevicesChanged();
        UpdateTrayState();
    } else if (message == m.settingChange) {
        SettingChanged(wParam, lParam);
    } else {
        return Window::WindowProc(message, wParam, lParam);
    }
    return 1;
}
