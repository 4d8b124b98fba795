// The Echobox mode's list, its softphone's coming and going, and its detail timer.
#include "LCD/Echobox/CEchoboxMode.h"

#include <algorithm>

#include "common/Messages.h"

CEchoboxMode::CEchoboxMode() = default;

CEchoboxMode::~CEchoboxMode() {
    StopDetailTimer();
}

int CEchoboxMode::FindMessage(std::wstring_view id) const {
    for (std::size_t i = 0; i < m_messages.size(); ++i) {
        if (m_messages[i].id == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

unsigned CEchoboxMode::GetLangBase() const {
    return LanguageOffset(m_langID);
}

int CEchoboxMode::StatusOfWord(std::wstring_view word) {
    if (word == L"UNPLAYED") {
        return VM_UNPLAYED;
    }
    return word == L"PLAYING" ? VM_PLAYING : VM_PLAYED;
}

void CEchoboxMode::SetSkypeOnline(bool online) {
    if (online) {
        RequestCmdToSkype(L"search voicemails");
    } else {
        m_messages.clear();
        ClampCursor();
    }
    CEmluatorModeBase::SetSkypeOnline(online);
}

void CEchoboxMode::BroadcastUnplayed() {
    const auto unplayed =
        std::count_if(m_messages.begin(), m_messages.end(),
                      [](const VoiceMessageEntry& entry) { return entry.status == VM_UNPLAYED; });
    const RegisteredMessages& m = RegisteredMessages::Get();
    platform::PostMessage(m_hEmuWnd, m.postMsgToAllMode, m.hasUnplayedVm,
                          static_cast<platform::LPARAM>(unplayed));
}

void CEchoboxMode::StartDetailTimer() {
    if (m_detailTimer == -1) {
        m_detailWait = 0;
        SetTimer(kDetailTimer, std::chrono::milliseconds(10));
        m_detailTimer = static_cast<long>(kDetailTimer);
    }
}

void CEchoboxMode::StopDetailTimer() {
    if (m_detailTimer != -1) {
        KillTimer(kDetailTimer);
        m_detailTimer = -1;
    }
}

void CEchoboxMode::OnTimer(platform::TimerId id) {
    if (id == kDetailTimer) {
        OnDetailTick();
    }
    CEmluatorModeBase::OnTimer(id);
}

void CEchoboxMode::OnDetailTick() {
    const auto pending =
        std::find_if(m_messages.begin(), m_messages.end(), [](const VoiceMessageEntry& entry) {
            return !entry.nameReported && entry.queries < kMaxDetailQueries;
        });
    if (pending == m_messages.end()) {
        StopDetailTimer();
        BroadcastUnplayed();
        return;
    }
    if (m_detailWait > 0) {
        --m_detailWait;
        return;
    }
    ++pending->queries;
    m_detailWait = std::min((1 << std::min(pending->queries - 1, 7)) - 1, kMaxDetailWait);
    // The replies may come inside the sends and change the list: nothing above is used after.
    const std::wstring id = pending->id;
    RequestCmdToSkype(L"get voicemail " + id + L" PARTNER_DISPNAME");
    RequestCmdToSkype(L"get voicemail " + id + L" TIMESTAMP");
    RequestCmdToSkype(L"get voicemail " + id + L" status");
}

void CEchoboxMode::ClampCursor() {
    const int count = static_cast<int>(m_messages.size());
    if (m_cursor >= count) {
        m_cursor = count - 1;
    }
    if (m_cursor < 0) {
        m_cursor = 0;
    }
}
