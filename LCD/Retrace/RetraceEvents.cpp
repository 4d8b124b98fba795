// The softphone's notifications as the history reads them: calls starting, the details it was
// asked for, and the list of call ids. The mode never takes the handset because of one.
#include <cstdint>
#include <optional>

#include "LCD/Retrace/CRetraceMode.h"
#include "modebase/SoftphoneText.h"

namespace {

constexpr std::wstring_view kCallPrefix = L"CALL ";
constexpr std::wstring_view kListKeyword = L"CALLS ";
// Appended to a list reply, so that its last id is closed by a comma too.
constexpr std::wstring_view kListEnd = L"    ,              ";

}  // namespace

bool CRetraceMode::ProcessSkypeMsg(std::wstring text) {
    if (text.starts_with(kCallPrefix)) {
        OnCallNotification(text);
    } else if (text.find(kListKeyword) != std::wstring::npos) {
        OnListReply(text);
    }
    return false;  // the history never takes the handset for a notification
}

HistoryEntry CRetraceMode::NewEntry(const std::wstring& id) {
    HistoryEntry entry;
    entry.id = id;
    entry.time = platform::GetLocalTime();
    return entry;
}

void CRetraceMode::AddNewCall(const std::wstring& id, int direction) {
    if (FindCallEntry(id) != -1) {
        return;
    }
    // Calls that start between two list replies are bounded as a reply is: the oldest give way.
    if (m_newCalls.size() >= kMaxEntries) {
        m_newCalls.erase(m_newCalls.begin());
    }
    HistoryEntry entry = NewEntry(id);
    entry.direction = direction;
    m_newCalls.push_back(std::move(entry));
    StartNewCallTimer();
}

void CRetraceMode::OnCallNotification(const std::wstring& text) {
    const std::wstring rest = text.substr(kCallPrefix.size());
    const std::size_t blank = rest.find(L' ');
    const std::wstring id = blank == std::wstring::npos ? std::wstring() : rest.substr(0, blank);
    // Rules 2 to 5 look only past the "CALL " prefix.
    const auto findAfterPrefix = [&](std::wstring_view word) {
        return text.find(word, kCallPrefix.size());
    };
    constexpr auto npos = std::wstring::npos;

    if (text.find(L"CONF_ID") != npos) {
        return;
    }
    if (findAfterPrefix(L" ROUTING") != npos) {
        AddNewCall(id, 1);
        return;
    }
    if (findAfterPrefix(L" RINGING") != npos) {
        const bool added = FindCallEntry(id) == -1;
        AddNewCall(id, 0);
        if (added) {
            StartHistoryTimer();
        }
        return;
    }
    if (const std::size_t at = findAfterPrefix(L" PARTNER_HANDLE"); at != npos) {
        StopNewCallTimer();
        const int found = FindCallEntry(id);
        if (found != -1) {
            EntryAt(found).partnerHandle = TextFrom(text, at + 15);
        }
        if (found >= 0) {
            StartNewCallTimer();
        }
        return;
    }
    if (const std::size_t at = findAfterPrefix(L" PARTNER_DISPNAME"); at != npos) {
        const int found = FindCallEntry(id);
        if (found >= 0) {
            StopNewCallTimer();
            EntryAt(found).displayName = TextFrom(text, at + 17);
            StartNewCallTimer();
        } else if (found != -1) {
            EntryAt(found).displayName = TextFrom(text, at + 17);
        }
        return;
    }
    const int found = FindCallEntry(id);
    if (const std::size_t at = text.find(L"STATUS"); at != npos) {
        if (found != -1) {
            const int status = ParseCallStatus(TextFrom(text, at + 6));
            if (status != CALL_NONE) {
                EntryAt(found).status = status;
            }
        }
        return;
    }
    if (text.find(L"INCOMING") != npos) {
        if (found != -1) {
            EntryAt(found).direction = 0;
        }
        return;
    }
    if (text.find(L"OUTGOING") != npos) {
        if (found != -1) {
            EntryAt(found).direction = 1;
        }
        return;
    }
    if (const std::size_t at = text.find(L"SEEN"); at != npos && found != -1) {
        EntryAt(found).seen = TrimSpaces(TextFrom(text, at + 5)) == L"FALSE" ? 0 : 1;
        return;
    }
    if (const std::size_t at = text.find(L"TIMESTAMP"); at != npos) {
        if (found != -1) {
            const std::optional<std::int64_t> seconds = ReadSeconds(TextFrom(text, at + 10));
            const std::optional<platform::SYSTEMTIME> local =
                seconds ? platform::LocalTimeFromUnix(*seconds) : std::nullopt;
            if (local) {
                // The day of the week and the milliseconds stay those of the entry's creation.
                platform::SYSTEMTIME& time = EntryAt(found).time;
                time.wYear = local->wYear;
                time.wMonth = local->wMonth;
                time.wDay = local->wDay;
                time.wHour = local->wHour;
                time.wMinute = local->wMinute;
                time.wSecond = local->wSecond;
            }
        }
        return;
    }
    if (text.find(kListKeyword) != npos) {
        OnListReply(text);
    }
}

void CRetraceMode::OnListReply(std::wstring_view reply) {
    std::wstring text(reply);
    text += kListEnd;
    StopHistoryTimer();
    const std::size_t start = text.find(kListKeyword) + 5;
    std::vector<std::wstring> ids;
    std::wstring token;
    for (std::size_t i = start; i < text.size(); ++i) {
        if (text[i] != L',') {
            token += text[i];
            continue;
        }
        ids.emplace_back(TrimSpaces(token));
        token.clear();
    }
    if (!m_historyLoaded) {
        m_history.clear();
        for (const std::wstring& id : ids) {
            if (m_history.size() + m_newCalls.size() >= kMaxEntries) {
                break;
            }
            if (!id.empty()) {
                m_history.insert(m_history.begin(), NewEntry(id));
            }
        }
        m_historyLoaded = true;
    } else {
        m_rebuild.clear();
        StopTickTimer();
        for (const std::wstring& id : ids) {
            if (m_rebuild.size() >= kMaxEntries) {
                break;
            }
            if (const int found = FindCallEntry(id); found != -1) {
                m_rebuild.insert(m_rebuild.begin(), EntryAt(found));
            } else if (!id.empty()) {
                m_rebuild.insert(m_rebuild.begin(), NewEntry(id));
            }
        }
        m_newCalls.clear();
        m_history = m_rebuild;
        StartTickTimer();
    }
    // The list is new: its sweep starts at its beginning (entries with details are skipped).
    m_historyCursor = 0;
    StartHistoryTimer();
}
