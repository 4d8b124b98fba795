// What the host shows of the system: the tray icon's state and tip, the firmware text, and the
// one-line state a headless host prints.
#pragma once

#include <cstdint>
#include <string>

enum class TrayIcon { AllOk, NoSkype, NoDevice };

const char* ToString(TrayIcon icon);

// The icon for the two online flags; a missing handset outranks a missing softphone.
TrayIcon ChooseTrayIcon(bool handsetOnline, bool skypeOnline);

// The tray tip: the application name, with "(SkypeNotOnline)" or "(DeviceNotOnline)", cut to the
// 63 characters the tip holds.
std::wstring TrayTip(const std::wstring& appName, TrayIcon icon);

// The five characters of a firmware report (wParam bits 8..15 and 0..7, lParam bits 24..31,
// 16..23, 8..15), ending at the first zero; "XXXX" when wParam or lParam is 0.
std::wstring FirmwareVersionText(std::uint32_t wParam, std::uint32_t lParam);

// "handset online (firmware 12345), softphone attached", "handset offline, softphone not
// attached": one line whatever the firmware's bytes are, its control characters escaped.
std::string StateLine(bool handsetOnline, const std::wstring& firmware, bool softphoneAttached);
