// The messages the Call mode's window takes from other programs or modes: dial tones, the
// hands-free flag and "hold every call", and the keystrokes of the dial tones.
#include <algorithm>

#include "LCD/Call/CCallMode.h"
#include "common/Messages.h"
#include "platform/keys/Keystrokes.h"

namespace {

constexpr std::uint8_t kScanCode = 0x45;
constexpr std::uint8_t kLeftShift = 0xA0;
constexpr std::uint8_t kStarKey = 0x38;  // Shift+8
constexpr std::uint8_t kHashKey = 0x33;  // Shift+3
constexpr std::uint8_t kAddKey = 0x6B;   // the numeric pad's add, with Shift
constexpr unsigned kFirstDialTone = 7;
constexpr unsigned kLastDialTone = 18;

void Press(std::uint8_t virtualKey) {
    platform::keybd_event(virtualKey, kScanCode, platform::KEYEVENTF_EXTENDEDKEY);
    platform::keybd_event(virtualKey, kScanCode,
                          platform::KEYEVENTF_EXTENDEDKEY | platform::KEYEVENTF_KEYUP);
}

void PressShifted(std::uint8_t virtualKey) {
    platform::keybd_event(kLeftShift, kScanCode, platform::KEYEVENTF_EXTENDEDKEY);
    Press(virtualKey);
    platform::keybd_event(kLeftShift, kScanCode,
                          platform::KEYEVENTF_EXTENDEDKEY | platform::KEYEVENTF_KEYUP);
}

}  // namespace

platform::LRESULT CCallMode::WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                        platform::LPARAM lParam) {
    const RegisteredMessages& m = RegisteredMessages::Get();
    if (message == m.callOutNul) {
        if (!m_calls.empty()) {
            OnDialTone(static_cast<unsigned>(lParam & 0xFF));
        }
        return 0;
    }
    if (message == m.soundCancelChange) {
        m_handsFree = static_cast<int>(lParam);
        return 0;
    }
    if (message == m.callHold) {
        HoldAllCalls();
        return 0;
    }
    return CEmluatorModeBase::WindowProc(message, wParam, lParam);
}

void CCallMode::OnDialTone(unsigned code) {
    if (code < kFirstDialTone || code > kLastDialTone) {
        return;
    }
    const bool talking = std::any_of(m_calls.rbegin(), m_calls.rend(), [](const CallRecord& c) {
        return c.CallState == CS_NORMALTALK && !c.IsParticipant();
    });
    if (!talking) {
        return;
    }
    const wchar_t character = code == 16   ? L'*'
                              : code == 18 ? L'#'
                              : code == 17 ? L'0'
                                           : static_cast<wchar_t>(code + 42);
    // The softphone takes the tone from its own window once the message's sender has let go.
    Loop().Sleep(std::chrono::milliseconds(100));
    SendDialKey(character);
}

void CCallMode::SendDialKey(wchar_t character) {
    if (character >= L'0' && character <= L'9') {
        Press(static_cast<std::uint8_t>(character));
    } else if (character == L'*') {
        PressShifted(kStarKey);
    } else if (character == L'#') {
        PressShifted(kHashKey);
    } else if (character == L'+') {
        PressShifted(kAddKey);
    }
}

void CCallMode::HoldAllCalls() {
    // By index, the size read again every time: a reply may change the table inside the send.
    for (std::size_t i = 0; i < m_calls.size(); ++i) {
        const CallRecord call = m_calls[i];
        if (call.CallState != CS_ROUTING && call.CallState != CS_RINGING) {
            RequestCmdToSkype(L"set call " + call.CallID + L" status onhold");
        }
    }
}
