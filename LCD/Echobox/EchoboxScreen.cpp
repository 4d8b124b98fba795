// One voice message on the handset: the title with the counter, the sender, the date and time in
// local time without leading zeros, and the status.
#include "LCD/Echobox/CEchoboxMode.h"
#include "modebase/SoftphoneText.h"
#include "platform/time/LocalTime.h"

namespace {

constexpr unsigned kTitle = 101;
constexpr unsigned kEmptyList = 102;
constexpr unsigned kSenderLabel = 103;
constexpr unsigned kStatusLabel = 104;
constexpr unsigned kUnplayedText = 105;
constexpr unsigned kPlayedText = 106;
constexpr unsigned kPlayingText = 107;
constexpr unsigned kJapaneseOnly = 108;  // 408: only the Japanese table has it
constexpr unsigned kJapanese = 300;

// " 12/9 16:5:3"; a time not reported yet, or one the zone cannot convert, leaves the row blank.
std::wstring DateRow(std::int64_t time) {
    if (time < 0) {
        return {};
    }
    const std::optional<platform::SYSTEMTIME> local = platform::LocalTimeFromUnix(time);
    if (!local) {
        return {};
    }
    return FormatRow(L" %i/%i %i:%i:%i", local->wMonth, local->wDay, local->wHour, local->wMinute,
                     local->wSecond);
}

}  // namespace

std::wstring CEchoboxMode::Text(unsigned id) const {
    return m_module != nullptr ? m_module->Load(id + GetLangBase()) : L"";
}

void CEchoboxMode::DrawMailboxScreen() {
    if (!IsActived()) {
        return;
    }
    const std::wstring blank10(10, L' ');
    std::wstring rows[ModeScreen::kRows];
    ClampCursor();
    if (m_messages.empty()) {
        rows[0] = Text(kTitle) + blank10;
        rows[2] = Text(kEmptyList) + blank10;
        if (GetLangBase() == kJapanese) {
            rows[3] = Text(kJapaneseOnly);
        }
    } else {
        const VoiceMessageEntry& entry = m_messages[static_cast<std::size_t>(m_cursor)];
        rows[0] = Text(kTitle);
        rows[0] += FormatRow(L"  %i/%i    ", m_cursor + 1, static_cast<int>(m_messages.size()));
        rows[1] = Text(kSenderLabel);
        rows[1] += entry.displayName;
        rows[1] += std::wstring(15, L' ');
        rows[2] = DateRow(entry.time);
        rows[3] = Text(kStatusLabel);
        if (entry.status != VM_UNKNOWN) {
            rows[3] += Text(entry.status == VM_UNPLAYED  ? kUnplayedText
                            : entry.status == VM_PLAYING ? kPlayingText
                                                         : kPlayedText);
        }
    }
    for (int row = 0; row < ModeScreen::kRows; ++row) {
        m_screen.SetRow(row, std::wstring_view(rows[row]).substr(0, 16));
    }
    m_screen.textScreen = 1;
    m_screen.highlight = -1;
    ShowScreen(&m_screen);
    RequestDisplayLCD();
}
