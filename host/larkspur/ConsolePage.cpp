// The console's pages: set up once, at the first activation, and their settings file.
#include "host/larkspur/ConsolePage.h"

#include "host/larkspur/ConsoleOperations.h"
#include "platform/profile/Profile.h"

void ConsolePage::Activate() {
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
}

std::filesystem::path ConsolePage::SettingsFile() const {
    return console_.StartDirectory() / "KestrelCFG.ini";
}

int ConsolePage::SettingInt(std::wstring_view section, std::wstring_view key,
                            int defaultValue) const {
    return platform::GetPrivateProfileInt(section, key, defaultValue, SettingsFile());
}

std::wstring ConsolePage::SettingText(std::wstring_view section, std::wstring_view key,
                                      std::wstring_view defaultValue) const {
    return platform::GetPrivateProfileString(section, key, defaultValue, SettingsFile());
}

void ConsolePage::WriteSetting(std::wstring_view section, std::wstring_view key,
                               std::wstring_view value) const {
    platform::WritePrivateProfileString(section, key, value, SettingsFile());
}

std::wstring ConsolePage::SoundFile(std::wstring_view name) const {
    return (console_.StartDirectory() / name).wstring();
}

void ConsolePage::SendRingtone(std::wstring_view file) const {
    std::wstring command = L"set ringtone 1 ";
    command += file;
    console_.SendSkypeCommand(command);
}
