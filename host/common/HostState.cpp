// The tray state, the tip, the firmware text and the state line.
#include "host/common/HostState.h"

#include <array>

#include "platform/log/DebugLog.h"
#include "platform/text/Utf8.h"

const char* ToString(TrayIcon icon) {
    switch (icon) {
        case TrayIcon::AllOk:
            return "allok";
        case TrayIcon::NoSkype:
            return "noskype";
        case TrayIcon::NoDevice:
            return "nodevice";
    }
    return "?";
}

TrayIcon ChooseTrayIcon(bool handsetOnline, bool skypeOnline) {
    if (!handsetOnline) {
        return TrayIcon::NoDevice;
    }
    return skypeOnline ? TrayIcon::AllOk : TrayIcon::NoSkype;
}

std::wstring TrayTip(const std::wstring& appName, TrayIcon icon) {
    constexpr std::size_t kTipChars = 63;
    std::wstring tip = appName;
    switch (icon) {
        case TrayIcon::AllOk:
            break;
        case TrayIcon::NoSkype:
            tip += L"(SkypeNotOnline)";
            break;
        case TrayIcon::NoDevice:
            tip += L"(DeviceNotOnline)";
            break;
    }
    return tip.substr(0, kTipChars);
}

std::wstring FirmwareVersionText(std::uint32_t wParam, std::uint32_t lParam) {
    if (wParam == 0 || lParam == 0) {
        return L"XXXX";
    }
    const std::array<std::uint8_t, 5> characters = {
        static_cast<std::uint8_t>(wParam >> 8), static_cast<std::uint8_t>(wParam),
        static_cast<std::uint8_t>(lParam >> 24), static_cast<std::uint8_t>(lParam >> 16),
        static_cast<std::uint8_t>(lParam >> 8)};
    std::wstring text;
    for (std::uint8_t c : characters) {
        if (c == 0) {
            break;
        }
        // Version characters are single bytes; shown as the Latin-1 characters they are.
        text += static_cast<wchar_t>(c);
    }
    return text;
}

std::string StateLine(bool handsetOnline, const std::wstring& firmware, bool softphoneAttached) {
    std::string line = handsetOnline ? "handset online (firmware " +
                                           platform::EscapeControl(platform::ToUtf8(firmware)) + ")"
                                     : std::string("handset offline");
    return line + (softphoneAttached ? ", softphone attached" : ", softphone not attached");
}
