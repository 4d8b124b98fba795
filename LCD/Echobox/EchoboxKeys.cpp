// The handset's keys in the Echobox mode: key 40 brings the voice messages up, 4 plays the one
// shown, 2 and 5 close it and move (wrapping), 6 stops a playing one or gives the handset back.
#include "LCD/Echobox/CEchoboxMode.h"

namespace {

constexpr std::uint8_t kKeyPrevious = 2;
constexpr std::uint8_t kKeyPlay = 4;
constexpr std::uint8_t kKeyNext = 5;
constexpr std::uint8_t kKeyBack = 6;
constexpr std::uint8_t kKeyVoiceMail = 40;

}  // namespace

bool CEchoboxMode::ProcessKey(std::uint8_t key) {
    if (!IsActived()) {
        if (key != kKeyVoiceMail) {
            return false;
        }
        m_cursor = 0;
        SetActived(true);
        DrawMailboxScreen();
        return true;
    }
    ClampCursor();
    const int count = static_cast<int>(m_messages.size());
    const std::wstring shown = count > 0 ? m_messages[static_cast<std::size_t>(m_cursor)].id : L"";
    switch (key) {
        case kKeyVoiceMail:
            return true;
        case kKeyPrevious:
        case kKeyNext:
            if (count > 0) {
                RequestCmdToSkype(L"Close voicemail " + shown);
                // The close may have changed the list: the count is taken again.
                const int size = static_cast<int>(m_messages.size());
                if (size > 0) {
                    m_cursor =
                        key == kKeyNext ? (m_cursor + 1) % size : (m_cursor + size - 1) % size;
                }
                DrawMailboxScreen();
            }
            return true;
        case kKeyPlay:
            if (count > 0) {
                RequestCmdToSkype(L"open voicemail " + shown);
            }
            return true;
        case kKeyBack:
            if (count > 0 && m_messages[static_cast<std::size_t>(m_cursor)].status == VM_PLAYING) {
                RequestCmdToSkype(L"Close voicemail " + shown);
            } else {
                GoBackToPrevMode();
            }
            return true;
        default:
            return false;
    }
}
