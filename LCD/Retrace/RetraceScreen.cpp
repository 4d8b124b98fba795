// The history on the handset: the category's calls, one a screen, with a counter and an icon for
// the kind of call, the partner's name (scrolling when too wide), and the call's date and time.
#include <iterator>

#include "LCD/Retrace/CRetraceMode.h"
#include "modebase/NameScroll.h"
#include "modebase/SoftphoneText.h"

namespace {

const std::wstring kBlanks(16, L' ');

bool InCategory(const HistoryEntry& entry, int category) {
    switch (category) {
        case CRetraceMode::kDialled:
            return entry.direction != 0;
        case CRetraceMode::kMissed:
            return entry.IsMissedIncoming();
        case CRetraceMode::kReceived:
            return entry.direction == 0 && entry.status == CALL_FINISHED;
        default:
            return true;
    }
}

// The empty list's text, by category.
unsigned EmptyListText(int category) {
    static constexpr unsigned kIds[] = {101, 103, 102, 104};
    return category >= 0 && category < static_cast<int>(std::size(kIds)) ? kIds[category]
                                                                         : kIds[CRetraceMode::kAll];
}

}  // namespace

void CRetraceMode::BuildView() {
    m_view.clear();
    m_merge = m_newCalls;
    m_merge.insert(m_merge.end(), m_history.begin(), m_history.end());
    for (auto entry = m_merge.rbegin(); entry != m_merge.rend(); ++entry) {
        if (InCategory(*entry, m_category)) {
            m_view.push_back(*entry);
        }
    }
}

std::wstring CRetraceMode::Text(unsigned id) const {
    return m_module != nullptr ? m_module->Load(id + GetLangBase()) : L"";
}

std::wstring CRetraceMode::IconPath(const HistoryEntry& entry) const {
    const wchar_t* icon = entry.direction != 0            ? L"calling.obj"
                          : entry.status == CALL_MISSED   ? L"no_response.obj"
                          : entry.status == CALL_FINISHED ? L"be_called.obj"
                                                          : nullptr;
    return icon != nullptr ? (m_startDir / L"logo" / icon).wstring() : std::wstring();
}

void CRetraceMode::DrawHistoryScreen() {
    const int count = static_cast<int>(m_view.size());
    // The cursor stays inside the view, at 0 for an empty one, however the lists changed.
    if (count > 0 && m_cursor >= count) {
        m_cursor = count - 1;
    }
    if (count == 0 || m_cursor < 0) {
        m_cursor = 0;
    }
    std::wstring icon;
    if (count > 0) {
        const HistoryEntry entry = m_view[static_cast<std::size_t>(m_cursor)];
        if (m_category == kMissed) {
            // Shown once: the softphone hears it was seen, and the tick stops counting it.
            const int found = FindCallEntry(entry.id);
            if (found != -1 && EntryAt(found).seen == 0) {
                EntryAt(found).seen = 1;
                RequestCmdToSkype(L"set call " + entry.id + L" seen true");
            }
        }
        // A call without a name (a telephone number the user has no contact for) shows its
        // partner's handle, as the Call mode does.
        const bool nameless = entry.displayName.find_first_not_of(L' ') == std::wstring::npos;
        std::wstring name =
            ScrollName(nameless ? entry.partnerHandle : entry.displayName, 16, m_nameScroll);
        name += kBlanks;
        m_screen.SetRow(0, FormatRow(L"  %i/%i            ", m_cursor + 1, count));
        m_screen.SetRow(1, name);
        m_screen.SetRow(2, FormatRow(L" %04i-%02i-%02i       ", entry.time.wYear, entry.time.wMonth,
                                     entry.time.wDay));
        m_screen.SetRow(3, FormatRow(L" %02i:%02i:%02i       ", entry.time.wHour,
                                     entry.time.wMinute, entry.time.wSecond));
        icon = IconPath(entry);
    } else {
        m_screen.SetRow(0, L"  0/0              ");
        m_screen.SetRow(1, kBlanks);
        m_screen.SetRow(2, Text(EmptyListText(m_category)));
        m_screen.SetRow(3, kBlanks);
    }
    m_screen.textScreen = 1;
    m_screen.highlight = -1;
    ShowScreen(&m_screen);
    if (!icon.empty()) {
        PutIcon(icon, 0, 0);
    }
    RequestDisplayLCD();
}
