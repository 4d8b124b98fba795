// The Call mode's table operations, its online flags and its settings.
#include "LCD/Call/CCallMode.h"

#include "common/Messages.h"
#include "platform/files/WorkingDirectory.h"
#include "platform/profile/Profile.h"

CCallMode::CCallMode() : m_startDir(platform::CurrentDirectory()) {}

void CCallMode::SetSkypeOnline(bool online) {
    m_calls.clear();
    m_knownCalls.clear();
    // The selection goes with the table, so that nothing reads a record that is gone.
    m_curCall = -1;
    m_nameScroll = -1;
    WatchKeySound();
    CEmluatorModeBase::SetSkypeOnline(online);
}

void CCallMode::SetHIDOnline(bool online) {
    if (!online) {
        SetActived(false);
    }
    CEmluatorModeBase::SetHIDOnline(online);
}

int CCallMode::FindCallByID(std::wstring_view id) const {
    for (std::size_t i = 0; i < m_calls.size(); ++i) {
        if (m_calls[i].CallID == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CCallMode::FindCallByHandle(std::wstring_view handle) const {
    for (std::size_t i = 0; i < m_calls.size(); ++i) {
        if (m_calls[i].Handle == handle) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CCallMode::CountConfMembers(std::wstring_view id) const {
    int count = 0;
    for (const CallRecord& call : m_calls) {
        count += call.ConfID == id ? 1 : 0;
    }
    return count;
}

void CCallMode::RemoveCallAt(int index) {
    if (index < 0 || index >= static_cast<int>(m_calls.size())) {
        return;
    }
    m_calls.erase(m_calls.begin() + index);
    if (m_curCall > index || m_curCall == static_cast<int>(m_calls.size())) {
        --m_curCall;
        m_nameScroll = -1;
    }
}

void CCallMode::RemoveConfMembers(std::wstring_view id) {
    for (int i = static_cast<int>(m_calls.size()) - 1; i >= 0; --i) {
        if (m_calls[static_cast<std::size_t>(i)].ConfID == id) {
            RemoveCallAt(i);
        }
    }
    // A call of the conference may have gone among the members (its CONF_ID names the call):
    // the participants it hosted go with it, so that none is left without its call.
    for (int i = static_cast<int>(m_calls.size()) - 1; i >= 0; --i) {
        const CallRecord& record = m_calls[static_cast<std::size_t>(i)];
        if (record.IsParticipant() && FindCallByID(record.ConfID) == -1) {
            RemoveCallAt(i);
        }
    }
}

int CCallMode::ReadSetting(const wchar_t* section, const wchar_t* key, int defaultValue) const {
    return platform::GetPrivateProfileInt(section, key, defaultValue, SettingsFile());
}

void CCallMode::WriteSetting(const wchar_t* key, const std::wstring& value) const {
    platform::WritePrivateProfileString(L"PhoneSet", key, value, SettingsFile());
}

std::filesystem::path CCallMode::SettingsFile() const {
    return m_startDir / "KestrelCFG.ini";
}

void CCallMode::PostSettingChange(platform::WPARAM what, platform::LPARAM value) {
    platform::PostMessage(m_hEmuWnd, RegisteredMessages::Get().settingChange, what, value);
}
