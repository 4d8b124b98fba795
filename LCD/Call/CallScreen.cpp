// The call screens: one call, two or more calls, and how the last call ended. Four text rows,
// every row its prefix, its content and 16 blanks, so that a short text covers the whole row;
// 16 x 16 icons for the states, the microphone and the speaker over them.
#include <algorithm>
#include <string_view>

#include "LCD/Call/CCallMode.h"
#include "modebase/NameScroll.h"
#include "modebase/SoftphoneText.h"

namespace {

// String offsets in the table of each language.
constexpr unsigned kStateTexts = 5;         // CS_ROUTING .. CS_FINISH at 5 .. 11
constexpr unsigned kVoiceMessageText = 29;  // CS_VOICEMSG
constexpr unsigned kFailedUnlisted = 12;    // end kind 1 with a reason not in the table
constexpr unsigned kEndTexts = 12;          // end kinds 2 .. 5 at 13 .. 16
constexpr unsigned kFailureReasons = 16;    // reasons "1" .. "12" at 17 .. 28
constexpr int kLastFailureReason = 12;

const std::wstring kBlanks(16, L' ');

// A row: its prefix, its content and 16 blanks. Built by appending: GCC 12 at -O3 misreads a
// literal added to a temporary string.
std::wstring Row(std::wstring_view prefix, std::wstring_view content = {}) {
    std::wstring row(prefix);
    row += content;
    row += kBlanks;
    return row;
}

unsigned StateOffset(int state) {
    return state == CS_VOICEMSG ? kVoiceMessageText : kStateTexts + static_cast<unsigned>(state);
}

unsigned EndOffset(int kind, const std::wstring& reason) {
    if (kind != CCallMode::kEndFailed) {
        return kEndTexts + static_cast<unsigned>(kind - CCallMode::kEndFailed);
    }
    for (int code = 1; code <= kLastFailureReason; ++code) {
        if (reason == std::to_wstring(code)) {
            return kFailureReasons + static_cast<unsigned>(code);
        }
    }
    return kFailedUnlisted;
}

bool IsTalkingOrHeld(int state) {
    return state == CS_NORMALTALK || state == CS_ONHOLD || state == CS_LOCALHOLD ||
           state == CS_REMOTEHOLD;
}

// The time since the call was answered, as a time of day: "01:15", "1:00:00".
std::wstring Elapsed(const CallRecord& call, platform::TimePoint now) {
    const long long micros = call.StartTime ? (now - *call.StartTime).count() : 0;
    const long long seconds = (std::max(micros, 0LL) + 500000) / 1000000 % (24 * 3600);
    const int hours = static_cast<int>(seconds / 3600);
    const int minutes = static_cast<int>(seconds / 60 % 60);
    const int secs = static_cast<int>(seconds % 60);
    return hours != 0 ? FormatRow(L"%d:%02d:%02d", hours, minutes, secs)
                      : FormatRow(L"%02d:%02d", minutes, secs);
}

}  // namespace

unsigned CCallMode::GetLangBase() const {
    return LanguageOffset(m_langID);
}

std::wstring CCallMode::Text(unsigned offset) const {
    return m_module != nullptr ? m_module->Load(100 + GetLangBase() + offset) : L"";
}

std::wstring CCallMode::StateText(int state) const {
    return state >= CS_ROUTING && state <= CS_VOICEMSG ? Text(StateOffset(state)) : L"";
}

std::wstring CCallMode::IconPath(const wchar_t* name) const {
    return (m_startDir / L"logo" / name).wstring();
}

std::wstring CCallMode::StateIcon(const CallRecord& call) const {
    if (call.CallState == CS_ONHOLD || call.CallState == CS_LOCALHOLD ||
        call.CallState == CS_REMOTEHOLD) {
        return IconPath(L"call/hold.obj");
    }
    if (call.CallState == CS_NORMALTALK) {
        return IconPath(L"call/normaltalk.obj");
    }
    return IconPath(call.IsOutgoing() ? L"call/outgoing.obj" : L"call/incoming.obj");
}

void CCallMode::PutStatusIcons() {
    if (ReadSetting(L"PhoneSet", L"mic", 1) == 1) {
        PutIcon(IconPath(L"turn_off_earphone.obj"), 0, 16);
    }
    if (m_handsFree == 1) {
        PutIcon(IconPath(L"Call/HF.obj"), 0, 32);
    }
}

void CCallMode::DrawCallScreen() {
    if (m_endKind >= kEndFailed && m_endKind <= kEndFinished) {
        DrawEndScreen();
    } else if (m_curCall < 0 || m_curCall >= static_cast<int>(m_calls.size())) {
        return;  // no call: the handset keeps its last frame
    } else if (m_calls.size() == 1) {
        DrawSingleCall();
    } else {
        DrawTwoCalls();
    }
}

void CCallMode::DrawSingleCall() {
    const CallRecord& call = m_calls[static_cast<std::size_t>(m_curCall)];
    ModeScreen screen;
    screen.SetRow(0, kBlanks);
    screen.SetRow(1, Row(ScrollName(call.DisplayName, 16, m_nameScroll)));
    screen.SetRow(2, Row(StateText(call.CallState)));
    screen.SetRow(
        3, IsTalkingOrHeld(call.CallState) ? Row(L"  ", Elapsed(call, Loop().Now())) : kBlanks);
    screen.highlight = -1;
    ShowScreen(&screen);
    PutIcon(StateIcon(call), 0, 0);
    PutStatusIcons();
    RequestDisplayLCD();
}

void CCallMode::DrawTwoCalls() {
    const int count = static_cast<int>(m_calls.size());
    int first = m_curCall;
    if (first + 1 >= count) {
        --first;
    }
    ModeScreen screen;
    screen.SetRow(0, kBlanks);
    for (int row = 1; row <= 2; ++row) {
        const int index = first + row - 1;
        const CallRecord& call = m_calls[static_cast<std::size_t>(index)];
        const bool selected = index == m_curCall;
        const std::wstring name =
            selected ? ScrollName(call.DisplayName, call.IsParticipant() ? 12 : 14, m_nameScroll)
                     : call.DisplayName;
        screen.SetRow(row, Row(call.IsParticipant() ? L"    " : L"  ", name));
    }
    const CallRecord& selected = m_calls[static_cast<std::size_t>(m_curCall)];
    if (selected.IsParticipant()) {
        screen.SetRow(3, kBlanks);
    } else if (selected.CallState == CS_NORMALTALK) {
        screen.SetRow(3, Row(L"  ", Elapsed(selected, Loop().Now())));
    } else {
        screen.SetRow(3, Row(StateText(selected.CallState)));
    }
    screen.highlight = m_curCall == first ? 1 : 2;
    ShowScreen(&screen);
    for (int row = 1; row <= 2; ++row) {
        const CallRecord& call = m_calls[static_cast<std::size_t>(first + row - 1)];
        const int page = 2 * row;
        if (call.IsParticipant()) {
            PutIcon(StateIcon(call), page, 16);
            PutIcon(IconPath(L"call/confparticipant.obj"), page, 0);
        } else {
            PutIcon(StateIcon(call), page, 0);
        }
    }
    PutIcon(IconPath(L"call/multicall.obj"), 0, 0);
    PutStatusIcons();
    RequestDisplayLCD();
}

void CCallMode::DrawEndScreen() {
    ModeScreen screen;
    screen.SetRow(0, kBlanks);
    screen.SetRow(1, Row(ScrollName(m_endName, 16, m_nameScroll)));
    screen.SetRow(2, Row(Text(EndOffset(m_endKind, m_failReason))));
    screen.SetRow(3, kBlanks);
    screen.highlight = -1;
    ShowScreen(&screen);
    RequestDisplayLCD();
}
