// The Call mode's screen for now: the selected call's partner and state, or how the last call
// ended, as plain text rows. The call screens with their icons and times replace it.
#include "LCD/Call/CCallMode.h"

namespace {

// String offsets in the table of each language.
constexpr unsigned kStateTexts = 5;         // CS_ROUTING .. CS_FINISH at 5 .. 11
constexpr unsigned kVoiceMessageText = 29;  // CS_VOICEMSG
constexpr unsigned kFailedUnlisted = 12;    // end kind 1 with a reason not in the table
constexpr unsigned kEndTexts = 12;          // end kinds 2 .. 5 at 13 .. 16
constexpr unsigned kFailureReasons = 16;    // reasons "1" .. "12" at 17 .. 28

unsigned StateOffset(int state) {
    return state == CS_VOICEMSG ? kVoiceMessageText : kStateTexts + static_cast<unsigned>(state);
}

unsigned EndOffset(int kind, const std::wstring& reason) {
    if (kind != CCallMode::kEndFailed) {
        return kEndTexts + static_cast<unsigned>(kind - CCallMode::kEndFailed);
    }
    for (unsigned code = 1; code <= 12; ++code) {
        if (reason == std::to_wstring(code)) {
            return kFailureReasons + code;
        }
    }
    return kFailedUnlisted;
}

}  // namespace

unsigned CCallMode::GetLangBase() const {
    const unsigned primary = m_langID & 0x3FF;
    const unsigned sublanguage = m_langID >> 10;
    if (primary == 0x04) {
        return sublanguage == 2 ? 0 : 100;
    }
    return primary == 0x11 ? 300 : 200;
}

void CCallMode::DrawCallScreen() {
    const auto text = [&](unsigned offset) {
        return m_module != nullptr ? m_module->Load(100 + GetLangBase() + offset) : L"";
    };
    ModeScreen screen;
    if (m_endKind >= kEndFailed && m_endKind <= kEndFinished) {
        screen.SetRow(1, m_endName);
        screen.SetRow(2, text(EndOffset(m_endKind, m_failReason)));
    } else if (m_curCall >= 0 && m_curCall < static_cast<int>(m_calls.size())) {
        const CallRecord& call = m_calls[static_cast<std::size_t>(m_curCall)];
        screen.SetRow(1, call.DisplayName.empty() ? call.Handle : call.DisplayName);
        if (call.CallState >= CS_ROUTING && call.CallState <= CS_VOICEMSG) {
            screen.SetRow(2, text(StateOffset(call.CallState)));
        }
        if (m_calls.size() > 1) {
            screen.SetRow(3,
                          std::to_wstring(m_curCall + 1) + L"/" + std::to_wstring(m_calls.size()));
        }
    } else {
        return;  // no call: the handset keeps its last frame
    }
    ShowScreen(&screen);
    RequestDisplayLCD();
}
