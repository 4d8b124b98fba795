// The handset's keys in the Retrace mode: a category key brings the history up, the navigation
// keys step through it, the call key calls the partner back, key 6 gives the handset back.
#include "LCD/Retrace/CRetraceMode.h"

namespace {

constexpr std::uint8_t kKeyPrevious = 2;
constexpr std::uint8_t kKeyCall = 4;
constexpr std::uint8_t kKeyNext = 5;
constexpr std::uint8_t kKeyBack = 6;
constexpr std::uint8_t kKeyAllCalls = 39;
constexpr std::uint8_t kKeyReceived = 42;
constexpr std::uint8_t kKeyDialled = 110;
constexpr std::uint8_t kKeyMissed = 111;
constexpr std::uint8_t kKeyReceivedToo = 112;

}  // namespace

bool CRetraceMode::OpenCategory(int category, bool searchFirst) {
    if (searchFirst) {
        RequestCmdToSkype(L"SEARCH CALLS");
    }
    m_category = category;
    BuildView();
    m_cursor = 0;
    SetActived(true);
    m_nameScroll = -1;
    DrawHistoryScreen();
    if (!searchFirst) {
        RequestCmdToSkype(L"SEARCH CALLS");
    }
    return true;
}

bool CRetraceMode::ProcessKey(std::uint8_t key) {
    StartTickTimer();
    if (!IsActived()) {
        switch (key) {
            case kKeyCall:
            case kKeyDialled:
                return OpenCategory(kDialled, true);
            case kKeyReceived:
            case kKeyReceivedToo:
                return OpenCategory(kReceived, false);
            case kKeyMissed:
                return OpenCategory(kMissed, false);
            case kKeyAllCalls:
                return OpenCategory(kAll, false);
            case kKeyPrevious:
            case kKeyNext:
                return true;
            default:
                return false;
        }
    }
    const int count = static_cast<int>(m_view.size());
    switch (key) {
        case kKeyCall:
        case kKeyDialled:
            if (m_cursor >= 0 && m_cursor < count) {
                RequestCmdToSkype(L"call " +
                                  m_view[static_cast<std::size_t>(m_cursor)].partnerHandle);
                StartTitleCountdown();
            }
            return true;
        case kKeyPrevious:
        case kKeyNext:
            BuildView();
            if (const int size = static_cast<int>(m_view.size()); size > 0) {
                m_cursor = key == kKeyNext ? (m_cursor + 1) % size : (m_cursor + size - 1) % size;
            } else {
                m_cursor = 0;
            }
            m_nameScroll = -1;
            DrawHistoryScreen();
            return true;
        case kKeyBack:
            GoBackToPrevMode();
            return true;
        default:
            return true;  // the history keeps every key while it has the handset
    }
}
