// The softphone's texts about calls: known-call lists, call notifications, the user's status and
// the error replies to call-control commands.
//
// Every command sent here may bring a nested notification before the send returns, which may
// change the table: records are looked up again by CallID after a send, never kept by index.
#include <algorithm>
#include <cwctype>

#include "LCD/Call/CCallMode.h"
#include "modebase/SoftphoneText.h"
#include "platform/text/IgnoringCase.h"

namespace {

constexpr std::uint8_t kIdleKey = 6;
constexpr int kUserStatusUnchanged = -1;

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The text from `offset` on; empty when the text is shorter.
std::wstring_view TrimLeft(std::wstring_view text) {
    while (!text.empty() && std::iswspace(static_cast<wint_t>(text.front()))) {
        text.remove_prefix(1);
    }
    return text;
}

// Base 10 up to the first non-digit; no digits give 0. A number too big for the type stays at
// its largest value.
unsigned long ReadDecimal(std::wstring_view text) {
    unsigned long value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            break;
        }
        const unsigned long digit = static_cast<unsigned long>(c - L'0');
        value = value > (~0ul - digit) / 10 ? ~0ul : value * 10 + digit;
    }
    return value;
}

std::optional<int> CallTypeOf(std::wstring_view word) {
    constexpr std::pair<std::wstring_view, int> kTypes[] = {
        {L"INCOMING_PSTN", CT_INCOMING_PSTN},
        {L"OUTGOING_PSTN", CT_OUTGOING_PSTN},
        {L"INCOMING_P2P", CT_INCOMING_P2P},
        {L"OUTGOING_P2P", CT_OUTGOING_P2P},
    };
    for (const auto& [name, type] : kTypes) {
        if (word == name) {
            return type;
        }
    }
    return std::nullopt;
}

std::optional<int> ParticipantStateOf(std::wstring_view word) {
    constexpr std::pair<std::wstring_view, int> kStates[] = {
        {L"ROUTING", CS_ROUTING}, {L"RINGING", CS_RINGING},     {L"INPROGRESS", CS_NORMALTALK},
        {L"ONHOLD", CS_ONHOLD},   {L"LOCALHOLD", CS_LOCALHOLD}, {L"REMOTEHOLD", CS_REMOTEHOLD},
    };
    for (const auto& [name, state] : kStates) {
        if (word == name) {
            return state;
        }
    }
    return std::nullopt;
}

bool Contains(std::wstring_view text, std::wstring_view word) {
    return text.find(word) != std::wstring_view::npos;
}

}  // namespace

bool CCallMode::ProcessSkypeMsg(std::wstring text) {
    const bool result = HandleSkypeMsg(text);
    WatchKeySound();
    return result;
}

bool CCallMode::HandleSkypeMsg(const std::wstring& text) {
    if (StartsWith(text, L"CALLS ")) {
        AddKnownCalls(text);
    } else if (StartsWith(text, L"CALL ")) {
        if (const std::optional<bool> result = OnCallNotification(text)) {
            return *result;
        }
    }
    if (StartsWith(text, L"USERSTATUS ")) {
        UpdateUserStatus(text);
    }
    // While a call is being set up, the softphone's focus changes are the mode's own business.
    if (IsActived() && m_curCall >= 0 && m_curCall < static_cast<int>(m_calls.size()) &&
        (m_calls[static_cast<std::size_t>(m_curCall)].CallState == CS_ROUTING ||
         m_calls[static_cast<std::size_t>(m_curCall)].CallState == CS_RINGING) &&
        StartsWith(text, L"CONTACTS FOCUSED ")) {
        return true;
    }
    const std::wstring_view error = std::wstring_view(text).substr(0, 8);
    if (error == L"ERROR 19" || error == L"ERROR 20" || error == L"ERROR 24") {
        OnCommandError();
    }
    return false;
}

void CCallMode::AddKnownCalls(const std::wstring& text) {
    std::size_t at = 6;
    while (at < text.size()) {
        const std::size_t separator = text.find(L", ", at);
        const std::wstring id =
            text.substr(at, separator == std::wstring::npos ? std::wstring::npos : separator - at);
        // A call the table tracks stays tracked: the history's searches list live calls too,
        // and a call whose notifications were ignored from then on would never end.
        if (FindCallByID(id) == -1 &&
            std::find(m_knownCalls.begin(), m_knownCalls.end(), id) == m_knownCalls.end()) {
            m_knownCalls.push_back(id);
        }
        if (separator == std::wstring::npos) {
            break;
        }
        at = separator + 2;
    }
}

std::optional<bool> CCallMode::OnCallNotification(const std::wstring& text) {
    const std::size_t blank = text.find(L' ', 5);
    // An empty id would name the participant records, whose CallID is empty.
    if (blank == std::wstring::npos || blank == 5) {
        return false;
    }
    const std::wstring id = text.substr(5, blank - 5);
    if (std::find(m_knownCalls.begin(), m_knownCalls.end(), id) != m_knownCalls.end()) {
        return true;
    }
    if (!m_pendingCallID.empty() && platform::EqualIgnoringCase(m_pendingCallID, id)) {
        m_pendingCallID.clear();
    }
    const int found = FindCallByID(id);
    CallRecord call = found != -1 ? m_calls[static_cast<std::size_t>(found)] : CallRecord{};
    const auto keyword = [&](std::wstring_view word) { return text.find(word); };
    const auto setAndRedraw = [&] {
        Store(call);
        RedrawIfActive();
    };

    if (const std::size_t at = keyword(L"PARTNER_HANDLE"); at != std::wstring::npos) {
        if (found != -1) {
            call.Handle = TextFrom(text, at + 15);
            setAndRedraw();
        }
        return false;
    }
    if (const std::size_t at = keyword(L"PARTNER_DISPNAME"); at != std::wstring::npos) {
        if (found != -1) {
            const std::wstring_view name = TrimLeft(TextFrom(text, at + 17));
            call.DisplayName = name.empty() ? call.Handle : std::wstring(name);
            setAndRedraw();
        }
        return false;
    }
    if (const std::size_t at = keyword(L"TYPE"); at != std::wstring::npos) {
        if (found != -1) {
            call.CallType = CallTypeOf(TextFrom(text, at + 5)).value_or(call.CallType);
            setAndRedraw();
        }
        return false;
    }
    if (keyword(L"VM_PLAYING_GREETING") != std::wstring::npos ||
        keyword(L"VM_DURATION") != std::wstring::npos) {
        if (found == -1) {
            return false;
        }
        call.CallState = CS_VOICEMSG;
        setAndRedraw();
        return true;
    }
    if (const std::size_t at = keyword(L"DURATION"); at != std::wstring::npos) {
        if (found == -1) {
            return false;
        }
        call.Duration =
            static_cast<long>(std::min(ReadDecimal(TextFrom(text, at + 9)), 0x7FFFFFFFul));
        setAndRedraw();
        return true;
    }
    if (keyword(L"STATUS") != std::wstring::npos) {
        if (const std::optional<bool> result = OnCallStatus(text, id, found, call)) {
            return *result;
        }
    }
    if (const std::size_t at = keyword(L"FAILUREREASON"); at != std::wstring::npos) {
        if (found == -1) {
            return false;
        }
        m_failReason = TextFrom(text, at + 14);
        return true;
    }
    if (const std::size_t at = keyword(L"CONF_ID"); at != std::wstring::npos) {
        if (found == -1) {
            return false;
        }
        call.ConfID = TextFrom(text, at + 8);
        setAndRedraw();
        return true;
    }
    if (const std::size_t at = keyword(L"CONF_PARTICIPANTS_COUNT"); at != std::wstring::npos) {
        if (found == -1) {
            return false;
        }
        OnConferenceCount(id, TextFrom(text, at + 24));
        return true;
    }
    if (const std::size_t at = keyword(L"CONF_PARTICIPANT"); at != std::wstring::npos) {
        if (found != -1) {
            OnParticipant(id, TextFrom(text, at + 17));
        }
        return false;
    }
    return std::nullopt;
}

std::optional<bool> CCallMode::OnCallStatus(const std::wstring& text, const std::wstring& id,
                                            int found, CallRecord& call) {
    const bool known = found != -1;
    if (Contains(text, L"VM_SENT")) {
        if (known) {
            // Taken out as it stands, its participants with it, so that none is left without its
            // call; the selection goes back to the first call.
            m_calls.erase(m_calls.begin() + found);
            RemoveConfMembers(id);
            if (m_calls.empty()) {
                m_curCall = -1;
                SendVirtualKey(kIdleKey);
            } else {
                m_curCall = 0;
                m_nameScroll = -1;
                DrawCallScreen();
            }
        }
        return false;
    }
    if (Contains(text, L"ROUTING") && !known) {
        return AddCall(id, CS_ROUTING);
    }
    if (Contains(text, L"RINGING")) {
        if (!known) {
            return AddCall(id, CS_RINGING);
        }
        call.CallState = CS_RINGING;
        Store(call);
        return TakeHandset(true);
    }
    if (Contains(text, L"INPROGRESS")) {
        StopRinger();
        if (!known) {
            return false;
        }
        if (IsActived() && ReadSetting(L"phoneset", L"sync", 0) == 1) {
            RequestCmdToSkype(ReadSetting(L"phoneset", L"mic", 0) != 0 ? L"Set mute on"
                                                                       : L"Set mute off");
        }
        // The record as it is after the send, with whatever a nested notification told.
        const int index = FindCallByID(id);
        if (index == -1) {
            return true;  // it ended meanwhile
        }
        CallRecord& live = m_calls[static_cast<std::size_t>(index)];
        if (live.CallState == CS_ROUTING || live.CallState == CS_RINGING) {
            live.StartTime = Loop().Now();
        }
        live.CallState = CS_NORMALTALK;
        return TakeHandset(true);
    }
    struct Ending {
        std::wstring_view word;
        bool result;
    };
    constexpr Ending kEndings[] = {
        {L"REFUSED", true},   {L"MISSED", false}, {L"FINISHED", false},
        {L"CANCELLED", true}, {L"FAILED", false},
    };
    for (const Ending& ending : kEndings) {
        if (!Contains(text, ending.word)) {
            continue;
        }
        StopRinger();
        if (!known) {
            return false;
        }
        const bool outgoing = call.IsOutgoing();
        std::optional<EndKind> kind;
        if (ending.word == L"REFUSED") {
            if (outgoing) {
                kind = kEndRefused;
            } else if (m_calls.size() == 1) {
                SendVirtualKey(kIdleKey);
            }
        } else if (ending.word == L"MISSED") {
            kind = outgoing ? kEndMissedOutgoing : kEndMissedIncoming;
        } else if (ending.word == L"FINISHED") {
            kind = kEndFinished;
        } else if (ending.word == L"FAILED" && outgoing) {
            kind = kEndFailed;
        }
        EndCall(id, kind);
        // An incoming call that failed has no end screen to time out: the handset is given back
        // as after a cancelled call.
        const bool givesBack =
            ending.word == L"CANCELLED" || (ending.word == L"FAILED" && !outgoing);
        if (givesBack && m_calls.empty()) {
            SendVirtualKey(kIdleKey);
        }
        return ending.result;
    }
    constexpr std::pair<std::wstring_view, int> kHolds[] = {
        {L"ONHOLD", CS_ONHOLD}, {L"LOCALHOLD", CS_LOCALHOLD}, {L"REMOTEHOLD", CS_REMOTEHOLD}};
    for (const auto& [word, state] : kHolds) {
        if (Contains(text, word)) {
            if (!known) {
                return false;
            }
            call.CallState = state;
            Store(call);
            RedrawIfActive();
            return true;
        }
    }
    return std::nullopt;
}

bool CCallMode::AddCall(const std::wstring& id, CallState state) {
    CallRecord call;
    call.CallID = id;
    call.CallState = state;
    // Until the type reply: a call that routes was dialled here, one that rings came in.
    call.CallType = state == CS_ROUTING ? CT_OUTGOING_P2P : CT_INCOMING_P2P;
    m_calls.push_back(call);
    m_curCall = static_cast<int>(m_calls.size()) - 1;
    m_nameScroll = -1;
    RequestCmdToSkype(L"get call " + id + L" partner_handle");
    RequestCmdToSkype(L"get call " + id + L" partner_dispname");
    RequestCmdToSkype(L"get call " + id + L" type");
    if (state == CS_ROUTING && m_calls.size() > 1) {
        // A call dialled while another is active joins it in a conference at once.
        const auto other = std::find_if(m_calls.begin(), m_calls.end(), [&](const CallRecord& c) {
            return c.CallID != id && c.CallState != CS_ONHOLD && c.CallState != CS_LOCALHOLD &&
                   !c.IsParticipant();
        });
        if (other != m_calls.end()) {
            const std::wstring otherId = other->CallID;
            RequestCmdToSkype(L"set call " + id + L" join_conference " + otherId);
            m_pendingCallID = id;
        }
    }
    if (state == CS_RINGING) {
        StartRinger();
    }
    return TakeHandset(state == CS_RINGING);
}

bool CCallMode::TakeHandset(bool resetScroll) {
    m_endKind = kNoEnd;
    m_endTicks = 0;
    if (resetScroll && !IsActived()) {
        m_nameScroll = -1;
    }
    SetActived(true);
    m_prevMode = nullptr;
    DrawCallScreen();
    return true;
}

void CCallMode::EndCall(const std::wstring& id, std::optional<EndKind> kind) {
    if (kind) {
        const int index = FindCallByID(id);
        m_endKind = *kind;
        m_endName = index != -1 ? m_calls[static_cast<std::size_t>(index)].DisplayName : L"";
        m_endTicks = 0;
        DrawCallScreen();
    }
    RemoveConfMembers(id);
    // The members' removal may have taken the call's own record or moved it.
    RemoveCallAt(FindCallByID(id));
}

void CCallMode::OnConferenceCount(const std::wstring& id, std::wstring_view count) {
    const unsigned long members = ReadDecimal(count);
    if (members != static_cast<unsigned long>(CountConfMembers(id)) + 1) {
        RemoveConfMembers(id);
    }
    for (unsigned long k = 1; k < std::min(members, kMaxConfParticipants); ++k) {
        RequestCmdToSkype(L"get call " + id + L" conf_participant " + std::to_wstring(k));
    }
}

void CCallMode::OnParticipant(const std::wstring& id, std::wstring_view fields) {
    std::wstring_view part[4];
    for (std::wstring_view& field : part) {
        const std::size_t blank = fields.find(L' ');
        if (blank == std::wstring_view::npos) {
            return;
        }
        field = fields.substr(0, blank);
        fields.remove_prefix(blank + 1);
    }
    const std::wstring handle(part[1]);
    const std::wstring_view name = TrimLeft(fields);
    const std::optional<int> type = CallTypeOf(part[2]);
    const std::optional<int> state = ParticipantStateOf(part[3]);
    const int found = FindCallByHandle(handle);
    if (found == -1) {
        CallRecord participant;
        participant.Handle = handle;
        participant.DisplayName = name.empty() ? handle : std::wstring(name);
        participant.CallType = type.value_or(CT_INCOMING_P2P);
        // A participant whose state is none the mode knows is taken for one who talks.
        participant.CallState = state.value_or(CS_NORMALTALK);
        participant.ConfID = id;
        m_calls.push_back(participant);
        m_endKind = kNoEnd;
        m_endTicks = 0;
        DrawCallScreen();
    } else if (state && *state != m_calls[static_cast<std::size_t>(found)].CallState) {
        m_calls[static_cast<std::size_t>(found)].CallState = *state;
        DrawCallScreen();
    }
}

void CCallMode::UpdateUserStatus(const std::wstring& text) {
    constexpr std::pair<std::wstring_view, int> kStatuses[] = {
        {L"ONLINE", 1}, {L"OFFLINE", 1}, {L"SKYPEME", 7},   {L"AWAY", 3},
        {L"NA", 4},     {L"DND", 5},     {L"INVISIBLE", 6}, {L"LOGGEDOUT", 100},
    };
    int status = kUserStatusUnchanged;
    for (const auto& [word, code] : kStatuses) {
        if (Contains(text, word)) {
            status = code;
        }
    }
    if (status != kUserStatusUnchanged) {
        m_userStatus = status;
    }
}

void CCallMode::OnCommandError() {
    if (m_pendingCallID.empty()) {
        return;
    }
    // The command about the pending call failed: the softphone does not know that call, or
    // cannot act on it as it stands. Its record goes, with its participants; the other calls are
    // live and stay.
    std::vector<std::wstring> failed;
    for (auto call = m_calls.rbegin(); call != m_calls.rend(); ++call) {
        if (!call->IsParticipant() && platform::EqualIgnoringCase(call->CallID, m_pendingCallID)) {
            failed.push_back(call->CallID);
        }
    }
    for (const std::wstring& id : failed) {
        RemoveConfMembers(id);
        RemoveCallAt(FindCallByID(id));
    }
    m_pendingCallID.clear();
    if (IsActived() && m_calls.empty()) {
        SendVirtualKey(kIdleKey);
    }
}

void CCallMode::Store(const CallRecord& call) {
    const int index = FindCallByID(call.CallID);
    if (index != -1) {
        m_calls[static_cast<std::size_t>(index)] = call;
    }
}

void CCallMode::RedrawIfActive() {
    if (IsActived()) {
        DrawCallScreen();
    }
}
