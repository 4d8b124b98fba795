// The device engine: the hub between the handset link, the softphone link, the modes and the
// host window that created it.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/LcdFrame.h"
#include "engine/Links.h"
#include "platform/loop/Window.h"

class CEmluatorModeBase;

namespace platform {
class Module;
class PaintSurface;
}  // namespace platform

#define KITECORE_EXPORT __attribute__((visibility("default")))

class KITECORE_EXPORT CEmualtor : public platform::Window {
  public:
    static constexpr std::size_t kKeyTableSize = 58;
    static constexpr platform::TimerId kIdleTimer = 1;
    static constexpr int kIdleSeconds = 20;
    // The key that returns every mode to idle; the only one that passes while the softphone is
    // away or the user is offline.
    static constexpr std::uint8_t kIdleKey = 6;

    // Constructed on the thread's current message loop. `startDirectory` is where every file is
    // found; the key table is read from it now.
    CEmualtor(ILinkFactory& links, std::filesystem::path startDirectory);
    ~CEmualtor() override;

    // The dialog's creation: the engine window, hidden, with `parent` (the host window that
    // receives the engine's notifications) as its parent; runs OnInitDialog.
    void Create(platform::WindowHandle parent);

    void AddMode(CEmluatorModeBase* mode);
    CEmluatorModeBase* GetCurrentActivedMode() const;
    void SaveCurrentActivedMode();
    void RestoreSavedMode();
    void DisActivedCurrentMode();
    void LoadModeCFG();
    void ReleaseModeDLLRes();
    void ReadKeyTable();
    void SetLandID(std::uint16_t langId);
    void ProcessVKey(std::uint8_t key);
    void ProcessPhoneKey(std::uint8_t key);
    void ProcessSkypePhone(const std::wstring& text);

    // Sends the text to the softphone as UTF-8. A text over 255 bytes is refused whole (false),
    // never cut: a cut command could act on another call.
    bool SendCmdToSkype(const std::wstring& text);
    bool SendCtrlCmdToDevice(std::uint8_t command, std::uint8_t value);
    void SendBackKeyLight(std::uint8_t command, std::uint8_t value);
    // Sends the frame to the handset; the current frame stays as it is.
    void DisplayToLCD(const LCDFrame& frame);
    void SaveCurrentLCDData();
    // The saved frame becomes the current one and goes to the handset.
    void RestoreLCDData();
    // The mirror: the current frame centred in `surface`, one pixel per LCD pixel, dark pixels
    // blue and the rest left as they are, in a sunken bezel 8 pixels round it and a raised edge
    // round the whole surface.
    void DrawWinLCD(platform::PaintSurface& surface) const;
    bool GetHIDOnline() const;
    bool GetSkypeOnline() const;
    std::uint8_t GetFilmWareVer() const { return m_firmwareVersion; }
    static std::uint16_t ComputeCRC(const std::uint8_t* data, std::size_t length);

    void InitPhone();
    void InitSkype();
    void UpdateWare() {}

    // The scan code's logical key; 0 for a scan code without an entry.
    std::uint8_t TranslateScanCode(std::uint8_t scanCode) const;
    const std::vector<CEmluatorModeBase*>& Modes() const { return m_modes; }
    int IdleTicks() const { return m_idleTicks; }
    bool IsUserOnline() const { return m_userOnline; }
    const LCDFrame& CurrentLCDFrame() const { return m_currentLcd; }
    const std::filesystem::path& StartDirectory() const { return m_startDirectory; }

    platform::LRESULT WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override;

  protected:
    bool OnInitDialog();
    void OnTimer(platform::TimerId id) override;
    void OnClose() override;
    void OnPaint(platform::PaintSurface& surface) override;

  private:
    void WakeUp();
    void StartIdleTimer();
    bool KeypadLightIsOurs() const;
    void OnHidData(platform::WPARAM wParam, platform::LPARAM lParam);
    void OnDeviceChange(bool present);
    void OnSkypeStatusChange(bool attached);
    void OnSkypeMessage();
    void OnRequestCmdToSkype(platform::LPARAM lParam);
    void DispatchKey(std::uint8_t key);
    // A mode that took the handset from `previous` becomes the current one.
    static void HandOver(CEmluatorModeBase* previous, CEmluatorModeBase* next);
    void SendToParent(platform::MessageId message, platform::WPARAM wParam,
                      platform::LPARAM lParam);
    void SetSkypeOnlineOnModes(bool online);
    void CloseLinks();

    ILinkFactory& m_linkFactory;
    bool m_userOnline = true;
    std::array<std::uint8_t, kKeyTableSize> m_keyTable{};
    LCDFrame m_savedLcd{};
    LCDFrame m_currentLcd{};
    CEmluatorModeBase* m_savedMode = nullptr;
    int m_idleTicks = 0;
    std::unique_ptr<IHidLink> m_hidLink;
    std::unique_ptr<ISkypeLink> m_skypeLink;
    std::filesystem::path m_startDirectory;
    std::uint8_t m_firmwareVersion = 255;
    long m_idleTimer = -1;
    std::vector<CEmluatorModeBase*> m_modes;
    std::vector<std::unique_ptr<platform::Module>> m_modules;
    // Key dispatch; recursive because a mode may re-enter the engine while handling a key.
    std::recursive_mutex m_modeLock;
};

// Creates the engine on the calling thread's message loop, with the real links and the current
// directory as its start directory, as a child of `parent`. The library keeps the one engine
// until it is unloaded, which must happen before that loop ends.
extern "C" KITECORE_EXPORT CEmualtor* CreateEmlu(platform::WindowHandle parent);
