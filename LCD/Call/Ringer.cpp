// The ringer: the handset's melody or the softphone's ring tone through the handset's speaker.
#include "LCD/Call/CCallMode.h"

namespace {

constexpr std::uint8_t kRingerCommand = 3;
constexpr std::uint8_t kSoundOutputCommand = 7;
constexpr int kUserStatusDnd = 5;
constexpr int kSoftphoneRingTone = 1;  // [PhoneSet] bell 1; 2..9 are the handset's melodies

}  // namespace

void CCallMode::StartRinger() {
    // A second call rings only on the screen; do-not-disturb rings not at all.
    if (m_calls.size() != 1 || m_userStatus == kUserStatusDnd) {
        return;
    }
    const int bell = ReadSetting(L"PhoneSet", L"bell", 2);
    if (bell == kSoftphoneRingTone) {
        RequestCmdToHID(kRingerCommand, 0);
        if (m_handsFree == 0) {
            RequestCmdToHID(kSoundOutputCommand, 1);
        }
    } else if (bell >= 2 && bell <= 9) {
        RequestCmdToHID(kRingerCommand, static_cast<std::uint8_t>(bell - 1));
    } else if (bell == 0) {
        RequestCmdToHID(kRingerCommand, 0);
    }
    PostSettingChange(1, 0);
}

void CCallMode::StopRinger() {
    RequestCmdToHID(kRingerCommand, 0);
    const int soundOutput = ReadSetting(L"PhoneSet", L"sndout", 1);
    RequestCmdToHID(kSoundOutputCommand, soundOutput != 0 ? 1 : 0);
    PostSettingChange(1, 1);
}
