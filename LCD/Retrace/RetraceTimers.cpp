// The Retrace mode's timers: the details of new calls, the sweep over the history's details, and
// the one-second tick that scrolls a long name and counts the missed calls not yet seen.
#include "LCD/Retrace/CRetraceMode.h"
#include "common/Messages.h"

void CRetraceMode::OnTimer(platform::TimerId id) {
    switch (id) {
        case kNewCallTimer:
            OnNewCallTick();
            break;
        case kHistoryTimer:
            OnHistoryTick();
            break;
        case kTickTimer:
            OnTick();
            break;
        default:
            break;
    }
    CEmluatorModeBase::OnTimer(id);
}

// One call a tick, in the list's order: the first without a handle after the one asked last.
// A pass ends with the last of them, so a client that never answers is asked once a pass, not a
// hundred times a second; each handle that arrives (and each new call) starts a pass, and the
// history's sweep asks again after the next list reply.
void CRetraceMode::OnNewCallTick() {
    std::size_t from = 0;
    if (!m_newCallAsked.empty()) {
        const int asked = FindCallEntry(m_newCallAsked);
        from = asked >= 0 ? static_cast<std::size_t>(asked) + 1 : 0;
    }
    const auto lacksHandle = [](const HistoryEntry& entry) {
        return entry.partnerHandle == kNotReported;
    };
    const auto next = std::find_if(
        m_newCalls.begin() + static_cast<std::ptrdiff_t>(std::min(from, m_newCalls.size())),
        m_newCalls.end(), lacksHandle);
    if (next == m_newCalls.end()) {
        StopNewCallTimer();
        return;
    }
    const std::wstring id = next->id;
    const bool last = std::find_if(next + 1, m_newCalls.end(), lacksHandle) == m_newCalls.end();
    m_newCallAsked = id;
    if (last) {
        StopNewCallTimer();
    }
    // The replies may come inside the sends and change the lists: nothing above is used after.
    RequestCmdToSkype(L"get call " + id + L" PARTNER_HANDLE");
    RequestCmdToSkype(L"get call " + id + L"  PARTNER_DISPNAME");
}

void CRetraceMode::OnHistoryTick() {
    while (m_historyCursor < static_cast<int>(m_history.size()) &&
           m_history[static_cast<std::size_t>(m_historyCursor)].partnerHandle != kNotReported) {
        ++m_historyCursor;
    }
    if (m_historyCursor < static_cast<int>(m_history.size())) {
        const std::wstring id = m_history[static_cast<std::size_t>(m_historyCursor)].id;
        ++m_historyCursor;
        for (const wchar_t* property : {L" PARTNER_HANDLE", L"  PARTNER_DISPNAME", L"  STATUS",
                                        L"  TYPE", L"  SEEN", L"  TIMESTAMP"}) {
            std::wstring query = L"GET CALL ";
            query += id;
            query += property;
            RequestCmdToSkype(query);
        }
        if (m_historyCursor < static_cast<int>(m_history.size())) {
            return;  // one entry a tick
        }
    }
    StopHistoryTimer();
    m_historyCursor = 0;
    m_merge.clear();
    if (IsActived()) {
        BuildView();
        DrawHistoryScreen();
    }
}

void CRetraceMode::OnTick() {
    if (IsActived() && m_nameScroll != -1) {
        m_nameScroll += 2;
        BuildView();
        DrawHistoryScreen();
    }
    BroadcastMissed();
}

void CRetraceMode::BroadcastMissed() {
    const auto unseenMissed = [](const std::vector<HistoryEntry>& list) {
        return std::count_if(list.begin(), list.end(), [](const HistoryEntry& entry) {
            return entry.IsMissedIncoming() && entry.seen == 0;
        });
    };
    const RegisteredMessages& m = RegisteredMessages::Get();
    platform::PostMessage(
        m_hEmuWnd, m.postMsgToAllMode, m.hasCallInNook,
        static_cast<platform::LPARAM>(unseenMissed(m_newCalls) + unseenMissed(m_history)));
}
