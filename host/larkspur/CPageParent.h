// The console: the program's one top-level window, with its five pages, the LCD mirror, and the
// tray icon. It is the engine window's parent, so the engine's notifications arrive here.
#pragma once

#include <QPushButton>
#include <QTabWidget>
#include <QWidget>
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>

#include "host/common/HostCore.h"
#include "host/larkspur/CSystemTray.h"
#include "host/larkspur/ConsoleOperations.h"

namespace platform {
class AudioDevices;
}

class CPageInfomation;
class CPageSetAudio;
class CPageSetLanguage;
class CPageSetPhone;
class CPageSetRinging;
class ConsolePage;
class LcdMirrorView;

class CPageParent : public QWidget, public HostCore, public ConsoleOperations {
  public:
    static constexpr platform::TimerId kHideTimer = 10;
    static constexpr std::chrono::milliseconds kHideDelay{10};
    enum Tab { kAudioTab, kPhoneTab, kLanguageTab, kRingTab, kInformationTab, kTabs };

    // `audio` serves the audio page and must outlive the console.
    CPageParent(std::filesystem::path startDirectory, platform::AudioDevices& audio);
    ~CPageParent() override;

    // Start-up, once the instance lock is held: the tray icon, the status icons, the engine with
    // the host mode, the first state, each page set up, the language, and the console hidden on
    // the first tick of the hide timer. Without a tray the console stays shown.
    void Start();
    bool HasTray() const { return tray_.IsEnabled(); }

    // "Settings": the console shown and brought forward.
    void ShowConsole();
    // "Exit", and the end of the desktop session: the icon removed, the engine shut down, then
    // `onExit` (set by the program to end its event loop).
    void Exit();
    void SetOnExit(std::function<void()> onExit) { onExit_ = std::move(onExit); }

    // The texts of the stored [PhoneSet] lang, without telling the engine.
    void ApplyLanguage();
    unsigned LanguageBase() const { return languageBase_; }

    // ConsoleOperations.
    bool SendSkypeCommand(const std::wstring& text) override;
    void PostSettingKey(std::uint8_t code) override;
    void PostDeviceCommand(std::uint8_t command, std::uint8_t value) override;
    void SetLanguage(std::uint16_t langId) override;
    std::optional<std::wstring> ChooseSoundFile() override;
    void ShowError(const std::wstring& text) override;
    const std::wstring& AppName() const override { return HostCore::AppName(); }
    const std::filesystem::path& StartDirectory() const override {
        return HostCore::StartDirectory();
    }

    QTabWidget& Tabs() const { return *tabs_; }
    ConsolePage& Page(Tab tab) const { return *pages_[tab]; }
    CPageSetAudio& AudioPage() const;
    CPageSetPhone& PhonePage() const;
    CPageSetLanguage& LanguagePage() const;
    CPageSetRinging& RingPage() const;
    CPageInfomation& InformationPage() const;
    CSystemTray& Tray() { return tray_; }
    QPushButton& CloseButton() const { return *close_; }
    QPushButton& ExitButton() const { return *exit_; }
    LcdMirrorView& Mirror() const { return *mirror_; }

  protected:
    // Whether the desktop shows tray icons.
    virtual bool TrayAvailable() const;

    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    void ShowState(TrayIcon icon, const std::wstring& tip) override;
    void ShowFirmware(const std::wstring& text) override;
    void AudioDevicesChanged() override;
    void SettingChanged(platform::WPARAM wParam, platform::LPARAM lParam) override;
    void OnTimer(platform::TimerId id) override;

  private:
    void LoadStatusIcons();
    void SetTexts(std::uint16_t langId);

    QTabWidget* tabs_;
    std::array<ConsolePage*, kTabs> pages_{};
    LcdMirrorView* mirror_;
    QPushButton* exit_;
    QPushButton* close_;
    CSystemTray tray_;
    std::array<QIcon, 3> statusIcons_;  // by TrayIcon
    unsigned languageBase_ = 0;
    bool hideTimerRunning_ = false;
    bool softphoneOnline_ = false;
    std::function<void()> onExit_;
};
