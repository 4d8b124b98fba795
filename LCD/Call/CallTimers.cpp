// The Call mode's timers: the status poll with the end screen's life, the keypad light, the
// has-call flag the engine reads, and the key-press sound switched off during calls.
#include "LCD/Call/CCallMode.h"

namespace {

constexpr std::uint8_t kIdleKey = 6;
constexpr std::uint8_t kKeySoundCommand = 1;
constexpr std::uint8_t kKeypadLightCommand = 12;

}  // namespace

CCallMode::~CCallMode() {
    KillTimer(kLightTimer);
}

bool CCallMode::OnInitDialog() {
    CEmluatorModeBase::OnInitDialog();
    SetTimer(kPollTimer, std::chrono::milliseconds(1000));
    m_pollTimer = static_cast<long>(kPollTimer);
    SetTimer(kLightTimer, std::chrono::milliseconds(1000));
    m_lightTimer = static_cast<long>(kLightTimer);
    SetTimer(kHasCallTimer, std::chrono::milliseconds(1000));
    m_hasCallTimer = static_cast<long>(kHasCallTimer);
    SetTimer(kKeySoundTimer, std::chrono::milliseconds(50));
    m_keySoundTimer = static_cast<long>(kKeySoundTimer);
    return true;
}

void CCallMode::OnTimer(platform::TimerId id) {
    switch (id) {
        case kPollTimer:
            OnPollTick();
            break;
        case kLightTimer:
            OnLightTick();
            break;
        case kHasCallTimer:
            WriteSetting(L"HasCall", m_calls.empty() ? L"0" : L"1");
            break;
        case kKeySoundTimer:
            OnKeySoundTick();
            break;
        default:
            break;
    }
    CEmluatorModeBase::OnTimer(id);
}

void CCallMode::ClearEndScreen() {
    m_endKind = kNoEnd;
    m_endTicks = 0;
    m_failReason.clear();
}

void CCallMode::OnPollTick() {
    if (!IsActived()) {
        if (m_endKind != kNoEnd) {
            ClearEndScreen();
        }
        return;
    }
    // The size is read again at every step: a reply may come, and change the table, inside the
    // send.
    for (std::size_t i = 0; i < m_calls.size(); ++i) {
        const std::wstring id = m_calls[i].CallID;
        RequestCmdToSkype(L"get call " + id + L" status");
    }
    if (m_nameScroll != -1) {
        m_nameScroll += 2;
        DrawCallScreen();
    }
    if (m_endKind > kNoEnd) {
        if (m_endTicks < kEndScreenTicks) {
            ++m_endTicks;
        } else {
            ClearEndScreen();
            if (m_calls.empty()) {
                SendVirtualKey(kIdleKey);
            }
        }
    }
    DrawCallScreen();  // the call's time moves on
}

void CCallMode::OnLightTick() {
    m_micMuted = ReadSetting(L"PhoneSet", L"mic", 0);
    if (m_micMuted != 0) {
        if (!m_calls.empty()) {
            RequestCmdToHID(kKeypadLightCommand, 1);
        } else {
            // Muted and idle: the keypad light blinks, one second on, one off.
            m_lightOn = m_lightOn != 0 ? 0 : 1;
            RequestCmdToHID(kKeypadLightCommand, m_lightOn);
        }
    } else if (!m_calls.empty()) {
        RequestCmdToHID(kKeypadLightCommand, m_lightOn);
        m_lightOn = 1;
    }
    WriteSetting(L"lightcurrent", std::to_wstring(m_lightOn));
}

void CCallMode::WatchKeySound() {
    const bool pending = m_calls.empty() == (m_keySoundOff != 0);
    if (pending && m_keySoundTimer == -1) {
        SetTimer(kKeySoundTimer, std::chrono::milliseconds(50));
        m_keySoundTimer = static_cast<long>(kKeySoundTimer);
    }
}

void CCallMode::OnKeySoundTick() {
    // The timer runs only until the key sound follows the table: an idle phone costs nothing.
    KillTimer(kKeySoundTimer);
    m_keySoundTimer = -1;
    if (!m_calls.empty() && m_keySoundOff == 0) {
        RequestCmdToHID(kKeySoundCommand, 0);
        m_keySoundOff = 1;
    } else if (m_calls.empty() && m_keySoundOff != 0) {
        m_keySoundOff = 0;
        const int keySound = ReadSetting(L"PhoneSet", L"pbsnd", 0);
        if (keySound == 1 || keySound == 2) {
            RequestCmdToHID(kKeySoundCommand, static_cast<std::uint8_t>(keySound));
        }
    }
}
