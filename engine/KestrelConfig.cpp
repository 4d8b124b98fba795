// KestrelCFG.ini through the profile functions.
#include "engine/KestrelConfig.h"

#include "platform/profile/Profile.h"

int KestrelConfig::GetInt(std::wstring_view section, std::wstring_view key,
                          int defaultValue) const {
    return platform::GetPrivateProfileInt(section, key, defaultValue, file_);
}

std::wstring KestrelConfig::GetString(std::wstring_view section, std::wstring_view key,
                                      std::wstring_view defaultValue) const {
    return platform::GetPrivateProfileString(section, key, defaultValue, file_);
}
