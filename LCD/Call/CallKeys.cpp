// The handset's keys in the Call mode: the end screen, selection, hang-up, answer, hold and
// resume, conference join and microphone mute. The keys only ask the softphone; the table
// changes when its notifications come back.
#include "LCD/Call/CCallMode.h"
#include "platform/keys/Keystrokes.h"

namespace {

constexpr std::uint8_t kKeyPrevious = 2;
constexpr std::uint8_t kKeyAnswerHold = 4;
constexpr std::uint8_t kKeyNext = 5;
constexpr std::uint8_t kKeyHangUp = 6;
constexpr std::uint8_t kKeyMute = 25;
constexpr std::uint8_t kKeySwallowed = 33;
constexpr std::uint8_t kKeyConference = 36;
constexpr std::uint8_t kKeyHold = 43;
constexpr std::uint8_t kKeyPushMute = 105;  // the host changed [PhoneSet] mic
constexpr std::uint8_t kMicMuteCommand = 4;

// What the mode's window may ask for while a call is being set up.
bool PassesDuringSetUp(std::uint8_t key) {
    return key == kKeyPrevious || key == kKeyAnswerHold || key == kKeyNext || key == kKeyHangUp;
}

void SendEscape() {
    constexpr std::uint8_t kEscape = 0x1B;
    constexpr std::uint8_t kScanCode = 0x45;
    platform::keybd_event(kEscape, kScanCode, platform::KEYEVENTF_EXTENDEDKEY);
    platform::keybd_event(kEscape, kScanCode,
                          platform::KEYEVENTF_EXTENDEDKEY | platform::KEYEVENTF_KEYUP);
}

}  // namespace

bool CCallMode::ProcessKey(std::uint8_t key) {
    if (!IsActived()) {
        return false;
    }
    const int count = static_cast<int>(m_calls.size());
    const bool selected = m_curCall >= 0 && m_curCall < count;
    if (m_endKind > kNoEnd) {
        // A failed call may have left the softphone's error dialog in front.
        if (m_endKind == kEndFailed && m_calls.empty()) {
            SendEscape();
        }
        ClearEndScreen();
        if (m_calls.empty()) {
            SendVirtualKey(kKeyHangUp);
        } else {
            DrawCallScreen();
        }
        return true;
    }
    if (selected && !PassesDuringSetUp(key) &&
        (m_calls[static_cast<std::size_t>(m_curCall)].CallState == CS_ROUTING ||
         m_calls[static_cast<std::size_t>(m_curCall)].CallState == CS_RINGING)) {
        return true;
    }
    if ((key == kKeyPrevious || key == kKeyNext) && count > 0) {
        if (count >= 2) {
            m_curCall = (m_curCall + (key == kKeyNext ? 1 : -1) + count) % count;
            m_nameScroll = -1;
            DrawCallScreen();
        }
        return true;
    }
    // The selected call as it is now: the commands below may bring notifications that change the
    // table before they return.
    const CallRecord call = selected ? m_calls[static_cast<std::size_t>(m_curCall)] : CallRecord{};
    if (key == kKeyHangUp && count > 0) {
        if (!call.IsParticipant()) {
            RequestCmdToSkype(L"set call " + call.CallID + L" status finished");
            m_pendingCallID = call.CallID;
            RequestCmdToSkype(L"get call " + call.CallID + L" status");
        }
        return true;
    }
    if ((key == kKeyAnswerHold || key == kKeyHold) && count > 0) {
        if (!call.IsParticipant()) {
            const wchar_t* status = nullptr;
            if (call.CallState == CS_NORMALTALK) {
                status = L"onhold";
            } else if (call.CallState == CS_ONHOLD || call.CallState == CS_LOCALHOLD ||
                       (call.CallState == CS_RINGING && !call.IsOutgoing())) {
                status = L"inprogress";
            }
            if (status != nullptr) {
                RequestCmdToSkype(L"set call " + call.CallID + L" status " + status);
                m_pendingCallID = call.CallID;
            }
        }
        return true;
    }
    if (key == kKeyConference && count >= 2) {
        JoinSelectedCall(call);
        return true;
    }
    const bool sync = ReadSetting(L"phoneset", L"sync", 0) == 1;
    if (key == kKeyMute && sync) {
        ToggleMute();
        return true;
    }
    if (key == kKeyPushMute && sync) {
        RequestCmdToSkype(ReadSetting(L"phoneset", L"mic", 0) == 0 ? L"Set mute off"
                                                                   : L"Set mute on");
        return true;
    }
    return key == kKeySwallowed;
}

void CCallMode::JoinSelectedCall(const CallRecord& call) {
    if (call.IsParticipant()) {
        return;
    }
    if (!call.ConfID.empty() && CountConfMembers(call.ConfID) > 1) {
        return;  // in a conference already
    }
    for (const CallRecord& other : m_calls) {
        if (other.CallID != call.CallID && other.CallState != CS_ONHOLD &&
            other.CallState != CS_LOCALHOLD && !other.IsParticipant()) {
            const std::wstring otherId = other.CallID;
            RequestCmdToSkype(L"set call " + call.CallID + L" join_conference " + otherId);
            m_pendingCallID = call.CallID;
            return;  // one join a press
        }
    }
}

void CCallMode::ToggleMute() {
    const bool muting = ReadSetting(L"phoneset", L"mic", 0) == 0;
    RequestCmdToSkype(muting ? L"Set mute on" : L"Set mute off");
    RequestCmdToHID(kMicMuteCommand, muting ? 1 : 0);
    WriteSetting(L"mic", muting ? L"1" : L"0");
    PostSettingChange(0, 0);
    // What the softphone needs to show the new state in its window.
    for (const wchar_t* text : {L"Protocol 1 ", L"focus", L"BTN_PRESSED", L"focus", L"BTN_PRESSED",
                                L"focus", L"BTN_PRESSED"}) {
        RequestCmdToSkype(text);
    }
}
