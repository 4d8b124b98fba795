// Everything a host of the engine does apart from its user interface: one copy per user, the
// application name, loading the engine, the host's own mode, and the engine's notifications.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "host/common/HostState.h"
#include "platform/loop/Window.h"

class CEmualtor;
class CEmluatorModeBase;

namespace platform {
class Module;
class InstanceLock;
}  // namespace platform

class HostCore : public platform::Window {
  public:
    static constexpr const char* kInstanceName = "Larkspur";

    explicit HostCore(std::filesystem::path startDirectory);
    ~HostCore() override;

    // Takes the single-instance lock. Returns what stands in the way ("another copy is already
    // running for this user", or what is wrong with the lock's directory and where); empty when
    // taken.
    std::string TakeInstanceLock(const std::filesystem::path& lockDirectory = {});
    // Loads the engine and creates it with this window as its parent, adds the host mode and
    // shows the first state. False when the engine cannot be loaded.
    bool StartEngine();
    // Closes the engine (its goodbye reaches the handset) and unloads it.
    void ShutdownEngine();

    const std::wstring& AppName() const { return appName_; }
    const std::filesystem::path& StartDirectory() const { return startDirectory_; }
    CEmualtor* Engine() const { return engine_; }
    CEmluatorModeBase* HostMode() const { return hostMode_.get(); }
    TrayIcon Icon() const { return icon_; }
    const std::wstring& FirmwareText() const { return firmware_; }

    // Console operations.
    bool SendSkypeCommand(const std::wstring& text);
    void PostSettingKey(std::uint8_t code);
    void PostDeviceCommand(std::uint8_t command, std::uint8_t value);
    void UpdateTrayState();

    platform::LRESULT WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override;

  protected:
    // The engine, created with this window as its parent: by default CreateEmlu of the engine
    // library, which it keeps loaded. Nothing when it cannot be loaded.
    virtual CEmualtor* LoadEngine();

    // User-interface hooks.
    virtual void ShowState(TrayIcon /*icon*/, const std::wstring& /*tip*/) {}
    virtual void ShowFirmware(const std::wstring& /*text*/) {}
    virtual void AudioDevicesChanged() {}
    virtual void SettingChanged(platform::WPARAM /*wParam*/, platform::LPARAM /*lParam*/) {}

  private:
    std::filesystem::path startDirectory_;
    std::wstring appName_;
    std::unique_ptr<platform::InstanceLock> lock_;
    std::unique_ptr<platform::Module> engineLibrary_;
    CEmualtor* engine_ = nullptr;
    std::unique_ptr<CEmluatorModeBase> hostMode_;
    TrayIcon icon_ = TrayIcon::NoDevice;
    std::wstring firmware_ = L"XXXX";
};
