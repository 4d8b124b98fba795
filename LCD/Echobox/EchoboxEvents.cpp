// The softphone's texts about voice messages: the list it gives for "search voicemails", and the
// notifications about one message (a new one arriving, its sender, status and time).
#include "LCD/Echobox/CEchoboxMode.h"
#include "modebase/SoftphoneText.h"

namespace {

constexpr std::wstring_view kListPrefix = L"VOICEMAILS ";
constexpr std::wstring_view kMessagePrefix = L"VOICEMAIL ";

}  // namespace

bool CEchoboxMode::ProcessSkypeMsg(std::wstring text) {
    if (text.starts_with(kListPrefix)) {
        OnListReply(text);
        return true;
    }
    if (text.starts_with(kMessagePrefix)) {
        return OnNotification(text);
    }
    return false;
}

void CEchoboxMode::OnListReply(const std::wstring& text) {
    m_messages.clear();
    std::size_t at = kListPrefix.size();
    while (at < text.size() && m_messages.size() < kMaxMessages) {
        const std::size_t separator = text.find(L", ", at);
        VoiceMessageEntry entry;
        entry.id =
            text.substr(at, separator == std::wstring::npos ? std::wstring::npos : separator - at);
        // An empty id names nothing the softphone could answer about.
        if (!entry.id.empty()) {
            m_messages.push_back(entry);
        }
        if (separator == std::wstring::npos) {
            break;
        }
        at = separator + 2;
    }
    ClampCursor();  // the list changed under the cursor; the screen is drawn at the next key
    StartDetailTimer();
}

bool CEchoboxMode::OnNotification(const std::wstring& text) {
    const std::size_t blank = text.find(L' ', kMessagePrefix.size());
    if (blank == std::wstring::npos) {
        return false;
    }
    const std::wstring id = text.substr(kMessagePrefix.size(), blank - kMessagePrefix.size());
    const int found = FindMessage(id);
    if (found == -1) {
        if (text.find(L"TYPE INCOMING") != std::wstring::npos) {
            if (m_messages.size() >= kMaxMessages) {
                m_messages.pop_back();
            }
            VoiceMessageEntry entry;
            entry.id = id;
            m_messages.insert(m_messages.begin(), entry);
            StartDetailTimer();
        }
        return false;
    }
    VoiceMessageEntry& entry = m_messages[static_cast<std::size_t>(found)];
    if (const std::size_t at = text.find(L"PARTNER_DISPNAME"); at != std::wstring::npos) {
        entry.displayName = TextFrom(text, at + 17);
        entry.nameReported = true;
        m_detailWait = 0;  // the next message's turn at once
        DrawMailboxScreen();
        return true;
    }
    if (const std::size_t at = text.find(L"STATUS"); at != std::wstring::npos) {
        const std::wstring word(TextFrom(text, at + 7));
        if (word == L"DELETING") {
            m_messages.erase(m_messages.begin() + found);
            ClampCursor();
        } else {
            entry.status = StatusOfWord(word);
        }
        BroadcastUnplayed();
        DrawMailboxScreen();
        return true;
    }
    if (const std::size_t at = text.find(L"TIMESTAMP"); at != std::wstring::npos) {
        entry.time = ReadSeconds(TextFrom(text, at + 9)).value_or(-1);
        DrawMailboxScreen();
        return true;
    }
    return false;
}
