// The engine core: start-up, the message handlers, the idle timer, device and softphone changes,
// and shut-down.
#include "engine/CEmualtor.h"

#include <cstring>

#include "common/Messages.h"
#include "engine/KestrelConfig.h"
#include "engine/hid/HandsetProtocol.h"
#include "modebase/CEmluatorModeBase.h"
#include "platform/module/Module.h"
#include "platform/text/Utf8.h"

namespace {

const RegisteredMessages& Msg() {
    return RegisteredMessages::Get();
}

constexpr std::wstring_view kUserStatus = L"USERSTATUS ";

}  // namespace

CEmualtor::CEmualtor(ILinkFactory& links, std::filesystem::path startDirectory)
    : m_linkFactory(links), m_startDirectory(std::move(startDirectory)) {
    ReadKeyTable();
}

CEmualtor::~CEmualtor() {
    CloseLinks();
}

void CEmualtor::Create(platform::WindowHandle parent) {
    SetParent(parent);
    Show(false);
    OnInitDialog();
}

bool CEmualtor::OnInitDialog() {
    const KestrelConfig config(m_startDirectory);
    const int productId = config.GetInt(L"DeviceID", L"pid", handset::kDefaultProductId);
    const int autoRunSkype = config.GetInt(L"AutoRun", L"AutoRunSkype", 1);

    m_hidLink = m_linkFactory.CreateHidLink(Handle(), static_cast<std::uint16_t>(productId));
    m_hidLink->SetAutoOpen(true);
    InitPhone();
    m_skypeLink = m_linkFactory.CreateSkypeLink(Handle(), autoRunSkype == 1);
    InitSkype();
    LoadModeCFG();
    SendCtrlCmdToDevice(handset::kDisplayLight, 1);
    if (KeypadLightIsOurs()) {
        SendBackKeyLight(handset::kKeypadBacklight, 1);
    }
    StartIdleTimer();
    m_idleTicks = 0;
    ProcessPhoneKey(kIdleKey);
    return true;
}

bool CEmualtor::KeypadLightIsOurs() const {
    // While a call runs or the microphone is muted, the call mode drives the keypad light.
    const KestrelConfig config(m_startDirectory);
    return config.GetInt(L"PhoneSet", L"mic", 0) == 0 &&
           config.GetInt(L"PhoneSet", L"HasCall", 0) == 0;
}

void CEmualtor::StartIdleTimer() {
    SetTimer(kIdleTimer, std::chrono::milliseconds(1000));
    m_idleTimer = static_cast<long>(kIdleTimer);
}

void CEmualtor::WakeUp() {
    SendCtrlCmdToDevice(handset::kDisplayLight, 1);
    if (KeypadLightIsOurs()) {
        SendBackKeyLight(handset::kKeypadBacklight, 1);
    }
    m_idleTicks = 0;
    if (m_idleTimer == -1) {
        StartIdleTimer();
    }
}

void CEmualtor::OnTimer(platform::TimerId id) {
    if (id == kIdleTimer && m_idleTimer != -1) {
        if (m_idleTicks++ == kIdleSeconds - 1) {
            KillTimer(kIdleTimer);
            m_idleTimer = -1;
            SendCtrlCmdToDevice(handset::kDisplayLight, 0);
            if (KeypadLightIsOurs()) {
                SendBackKeyLight(handset::kKeypadBacklight, 0);
            }
        }
    }
    Window::OnTimer(id);
}

void CEmualtor::OnHidData(platform::WPARAM wParam, platform::LPARAM lParam) {
    const auto packed = static_cast<std::uint32_t>(wParam);
    switch (handset::ReportTypeOf(packed)) {
        case handset::kKeyReport:
            WakeUp();
            ProcessPhoneKey(TranslateScanCode(handset::ScanCodeOf(packed)));
            break;
        case handset::kFirmwareReport:
            SendToParent(Msg().firmwareVersion, wParam, lParam);
            break;
        default:
            break;
    }
}

void CEmualtor::OnDeviceChange(bool present) {
    if (present) {
        if (m_idleTicks < kIdleSeconds) {
            m_idleTicks = 0;
        } else {
            SendCtrlCmdToDevice(handset::kDisplayLight, 1);
            SendBackKeyLight(handset::kKeypadBacklight, 1);
            m_idleTicks = 0;
            StartIdleTimer();
        }
        InitPhone();
    } else {
        for (int i = 0; i < 4; ++i) {
            ProcessVKey(kIdleKey);
        }
        SendToParent(Msg().firmwareVersion, 0, 0);
        Show(false);
        m_idleTicks = 10;
    }
    for (CEmluatorModeBase* mode : m_modes) {
        mode->SetHIDOnline(present);
    }
    SendToParent(Msg().audioDeviceChange, 0, 0);
}

void CEmualtor::OnSkypeStatusChange(bool attached) {
    if (attached) {
        SendCmdToSkype(L"Search friends");
        SendCmdToSkype(L"protocol 5");
        InitSkype();
    }
    SetSkypeOnlineOnModes(attached);
    SendToParent(Msg().hidSkypeStatusChange, 0, 0);
}

void CEmualtor::OnSkypeMessage() {
    if (!m_skypeLink) {
        return;
    }
    const std::wstring text = platform::FromUtf8(m_skypeLink->LastText());
    ProcessSkypePhone(text);
    if (text.starts_with(kUserStatus)) {
        if (text == L"USERSTATUS OFFLINE") {
            m_userOnline = false;
            for (int i = 0; i < 4; ++i) {
                ProcessVKey(kIdleKey);
            }
        } else {
            m_userOnline = true;
        }
        SetSkypeOnlineOnModes(m_userOnline);
    }
}

void CEmualtor::SetSkypeOnlineOnModes(bool online) {
    for (CEmluatorModeBase* mode : m_modes) {
        mode->SetSkypeOnline(online);
    }
}

void CEmualtor::OnRequestCmdToSkype(platform::LPARAM lParam) {
    const auto* text = reinterpret_cast<const char*>(lParam);
    if (text == nullptr || !m_skypeLink) {
        return;
    }
    // The sender promises a terminated text of at most 256 bytes; one without a terminator in
    // that space is refused rather than read beyond it.
    const std::size_t length = strnlen(text, CEmluatorModeBase::kSkypeCommandSize);
    if (length < CEmluatorModeBase::kSkypeCommandSize) {
        m_skypeLink->SendCommand(platform::SanitizeUtf8(std::string_view(text, length)));
    }
}

void CEmualtor::SendToParent(platform::MessageId message, platform::WPARAM wParam,
                             platform::LPARAM lParam) {
    platform::SendMessage(Parent(), message, wParam, lParam);
}

platform::LRESULT CEmualtor::WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                        platform::LPARAM lParam) {
    const RegisteredMessages& m = Msg();
    if (message == m.hidDataReceived) {
        OnHidData(wParam, lParam);
    } else if (message == m.virtualHidKey) {
        WakeUp();
        ProcessVKey(static_cast<std::uint8_t>(wParam));
    } else if (message == m.skypeMessageReceived) {
        OnSkypeMessage();
    } else if (message == m.requestDisplayLcd) {
        if (lParam != 0) {
            std::memcpy(m_currentLcd.data(), reinterpret_cast<const void*>(lParam),
                        m_currentLcd.size());
            DisplayToLCD(m_currentLcd);
        }
    } else if (message == m.requestCmdToHid) {
        if (m_hidLink) {
            m_hidLink->SendCtrlCmd(static_cast<std::uint8_t>(wParam),
                                   static_cast<std::uint8_t>(lParam));
        }
    } else if (message == m.requestCmdToSkype) {
        OnRequestCmdToSkype(lParam);
    } else if (message == m.skypeStatusChange) {
        OnSkypeStatusChange(wParam != 0);
    } else if (message == m.hidDeviceChange) {
        OnDeviceChange(wParam != 0);
    } else if (message == m.langChange) {
        SetLandID(static_cast<std::uint16_t>(wParam));
    } else if (message == m.postMsgToAllMode) {
        for (CEmluatorModeBase* mode : m_modes) {
            platform::PostMessage(mode->Handle(), static_cast<platform::MessageId>(wParam), 0,
                                  lParam);
        }
    } else if (message == m.restoreSaveMode) {
        RestoreSavedMode();
    } else if (message == m.saveCurrentMode) {
        SaveCurrentActivedMode();
        DisActivedCurrentMode();
    } else if (message == m.settingChange) {
        platform::PostMessage(Parent(), message, wParam, lParam);
    } else {
        return Window::WindowProc(message, wParam, lParam);
    }
    return 1;
}

void CEmualtor::OnClose() {
    if (GetHIDOnline()) {
        SendCtrlCmdToDevice(handset::kClosing, 0);
        SendCtrlCmdToDevice(handset::kDisplayLight, 0);
        SendCtrlCmdToDevice(handset::kMicMute, 0);
        SendCtrlCmdToDevice(handset::kRinger, 0);
        // Written at once, not posted: the link is closed below, and a posted command would
        // reach the handset no more.
        SendCtrlCmdToDevice(handset::kKeypadBacklight, 0);
    }
    ReleaseModeDLLRes();
    CloseLinks();
    Window::OnClose();
}

void CEmualtor::CloseLinks() {
    if (m_hidLink) {
        platform::SendMessage(m_hidLink->Handle(), platform::WM_CLOSE, 0, 0);
        m_hidLink.reset();
    }
    if (m_skypeLink) {
        platform::SendMessage(m_skypeLink->Handle(), platform::WM_CLOSE, 0, 0);
        m_skypeLink.reset();
    }
}
