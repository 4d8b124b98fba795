// The Retrace mode's lists: the search by id, the softphone's coming and going, the settings of
// its timers.
#include "LCD/Retrace/CRetraceMode.h"

#include "modebase/SoftphoneText.h"
#include "platform/files/WorkingDirectory.h"

namespace {

int Find(const std::vector<HistoryEntry>& list, std::wstring_view id) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (TrimSpaces(list[i].id) == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

CRetraceMode::CRetraceMode() : m_startDir(platform::CurrentDirectory()) {}

CRetraceMode::~CRetraceMode() {
    StopNewCallTimer();
    StopTickTimer();
    StopHistoryTimer();
}

int CRetraceMode::FindCallEntry(std::wstring_view id) const {
    const std::wstring_view wanted = TrimSpaces(id);
    if (const int i = Find(m_newCalls, wanted); i != -1) {
        return i;
    }
    if (const int j = Find(m_history, wanted); j != -1) {
        return -(j + 2);
    }
    return -1;
}

HistoryEntry& CRetraceMode::EntryAt(int found) {
    return found >= 0 ? m_newCalls[static_cast<std::size_t>(found)]
                      : m_history[static_cast<std::size_t>(-found - 2)];
}

int CRetraceMode::ParseCallStatus(std::wstring_view word) {
    static constexpr std::wstring_view kWords[] = {
        L"INPROGRESS", L"FINISHED", L"MISSED", L"REFUSED", L"FAILED", L"CANCELLED", L"BUSY"};
    const std::wstring_view trimmed = TrimSpaces(word);
    for (std::size_t code = 0; code < std::size(kWords); ++code) {
        if (trimmed == kWords[code]) {
            return static_cast<int>(code);
        }
    }
    return CALL_NONE;
}

unsigned CRetraceMode::GetLangBase() const {
    return LanguageOffset(m_langID);
}

void CRetraceMode::SetSkypeOnline(bool online) {
    if (online) {
        RequestCmdToSkype(L"SEARCH CALLS");
    } else {
        m_history.clear();
        m_newCalls.clear();
        m_historyLoaded = false;
    }
    CEmluatorModeBase::SetSkypeOnline(online);
}

void CRetraceMode::SetHIDOnline(bool online) {
    if (!online) {
        SetActived(false);
    } else if (IsActived()) {
        DrawHistoryScreen();
    }
    CEmluatorModeBase::SetHIDOnline(online);
}

void CRetraceMode::RunTimer(platform::TimerId id, long& member, std::chrono::milliseconds period) {
    SetTimer(id, period);
    member = static_cast<long>(id);
}

void CRetraceMode::StopTimer(platform::TimerId id, long& member) {
    if (member != -1) {
        KillTimer(id);
        member = -1;
    }
}

void CRetraceMode::StartNewCallTimer() {
    if (m_newCallTimer == -1) {
        m_newCallAsked.clear();  // a new pass
        RunTimer(kNewCallTimer, m_newCallTimer, std::chrono::milliseconds(10));
    }
}

void CRetraceMode::StopNewCallTimer() {
    StopTimer(kNewCallTimer, m_newCallTimer);
}

void CRetraceMode::StartTickTimer() {
    if (m_tickTimer == -1) {
        RunTimer(kTickTimer, m_tickTimer, std::chrono::milliseconds(1000));
    }
}

void CRetraceMode::StopTickTimer() {
    StopTimer(kTickTimer, m_tickTimer);
}

void CRetraceMode::StartHistoryTimer() {
    // Set anew every time: a running sweep's period starts again.
    RunTimer(kHistoryTimer, m_historyTimer, std::chrono::milliseconds(20));
}

void CRetraceMode::StopHistoryTimer() {
    StopTimer(kHistoryTimer, m_historyTimer);
}
