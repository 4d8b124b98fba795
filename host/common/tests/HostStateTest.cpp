// The tray state, the tip and the firmware text a host shows.
#include "host/common/HostState.h"

#include <gtest/gtest.h>

namespace {

TEST(HostState, TheIconFollowsTheHandsetFirstThenTheSoftphone) {
    EXPECT_EQ(TrayIcon::AllOk, ChooseTrayIcon(true, true));
    EXPECT_EQ(TrayIcon::NoSkype, ChooseTrayIcon(true, false));
    EXPECT_EQ(TrayIcon::NoDevice, ChooseTrayIcon(false, true));
    EXPECT_EQ(TrayIcon::NoDevice, ChooseTrayIcon(false, false));
}

TEST(HostState, TheTipNamesWhatIsMissingAndHoldsSixtyThreeCharacters) {
    EXPECT_EQ(L"Quillon", TrayTip(L"Quillon", TrayIcon::AllOk));
    EXPECT_EQ(L"Quillon(SkypeNotOnline)", TrayTip(L"Quillon", TrayIcon::NoSkype));
    EXPECT_EQ(L"Quillon(DeviceNotOnline)", TrayTip(L"Quillon", TrayIcon::NoDevice));
    const std::wstring name(50, L'n');
    const std::wstring tip = TrayTip(name, TrayIcon::NoDevice);
    EXPECT_EQ(63u, tip.size());
    EXPECT_EQ(name + L"(DeviceNotOnl", tip);
}

TEST(HostState, FirmwareTextFromTheReportBytes) {
    EXPECT_EQ(L"12345", FirmwareVersionText(0x3132, 0x33343500));
    EXPECT_EQ(L"12345", FirmwareVersionText(0x43132, 0x33343500));  // the type byte is ignored
    EXPECT_EQ(L"1", FirmwareVersionText(0x3100, 0x33343500));
    EXPECT_EQ(L"XXXX", FirmwareVersionText(0, 0x33343500));
    EXPECT_EQ(L"XXXX", FirmwareVersionText(0x3132, 0));
    EXPECT_EQ(L"\u00E9", FirmwareVersionText(0xE900, 1));
}

TEST(HostState, TheStateLineStaysOneLineWhateverTheFirmwareSays) {
    EXPECT_EQ("handset online (firmware 12345), softphone attached",
              StateLine(true, FirmwareVersionText(0x3132, 0x33343500), true));
    EXPECT_EQ("handset offline, softphone not attached", StateLine(false, L"12345", false));
    // Firmware bytes "1", LF, ESC, "[", "2": no line break, no escape sequence for the terminal.
    EXPECT_EQ("handset online (firmware 1\\n\\x1B[2), softphone not attached",
              StateLine(true, FirmwareVersionText(0x310A, 0x1B5B3200), false));
    EXPECT_EQ("handset online (firmware \xC3\xA9\\r), softphone attached",
              StateLine(true, FirmwareVersionText(0xE90D, 1), true));
}

}  // namespace
