// The engine's modes: plug-in loading, the key table, key routing and the hand-over of the
// handset between modes.
#include <string>

#include "common/Messages.h"
#include "engine/CEmualtor.h"
#include "engine/KestrelConfig.h"
#include "modebase/CEmluatorModeBase.h"
#include "modebase/ModePlugin.h"
#include "platform/files/WorkingDirectory.h"
#include "platform/locale/LangId.h"
#include "platform/module/Module.h"
#include "platform/profile/Profile.h"

namespace {

constexpr std::wstring_view kContactsFocused = L"CONTACTS FOCUSED ";

// Keys that never bring back a put-aside mode.
bool IsAlwaysDispatched(std::uint8_t key) {
    return key == 19 || key == 20 || key == 25 || key >= 100;
}

}  // namespace

void CEmualtor::ReadKeyTable() {
    const std::filesystem::path file = m_startDirectory / L"KeyDefine.ini";
    m_keyTable.fill(0);
    // key1..key25 belong to scan codes 1..25 (default: the scan code), key26..key50 to scan
    // codes 33..57 (default: the scan code + 7).
    auto read = [&](int keyNumber, std::size_t scanCode, int defaultValue) {
        const std::wstring key = L"key" + std::to_wstring(keyNumber);
        const int value = platform::GetPrivateProfileInt(L"KeyDef", key, defaultValue, file);
        m_keyTable[scanCode] = static_cast<std::uint8_t>(value & 0xFF);
    };
    for (int n = 1; n <= 25; ++n) {
        read(n, static_cast<std::size_t>(n), n);
    }
    for (int n = 26; n <= 50; ++n) {
        read(n, static_cast<std::size_t>(n + 7), n + 14);
    }
}

std::uint8_t CEmualtor::TranslateScanCode(std::uint8_t scanCode) const {
    return scanCode < m_keyTable.size() ? m_keyTable[scanCode] : 0;
}

void CEmualtor::LoadModeCFG() {
    const std::filesystem::path directory = platform::CurrentDirectory();
    const KestrelConfig config(directory);
    std::uint16_t langId = static_cast<std::uint16_t>(config.GetInt(L"PhoneSet", L"lang", 0));
    if (langId == 0) {
        langId = platform::GetSystemDefaultLangID();
    }
    for (int n = 0;; ++n) {
        const std::wstring entry =
            config.GetString(L"ModeList", L"Mode" + std::to_wstring(n), L"").substr(0, 256);
        if (entry.empty()) {
            break;
        }
        std::unique_ptr<platform::Module> module = platform::Module::Load(directory / entry);
        if (!module) {
            continue;
        }
        auto create = reinterpret_cast<CreateModeFunction>(module->Symbol("CreateMode"));
        m_modules.push_back(std::move(module));
        if (create == nullptr) {
            continue;
        }
        CEmluatorModeBase* mode = create(Handle(), 0, GetSkypeOnline(), GetHIDOnline());
        if (mode == nullptr) {
            continue;
        }
        mode->SetSkypeOnline(false);
        mode->m_langID = langId;
        AddMode(mode);
    }
}

void CEmualtor::AddMode(CEmluatorModeBase* mode) {
    if (mode != nullptr) {
        m_modes.push_back(mode);
    }
}

CEmluatorModeBase* CEmualtor::GetCurrentActivedMode() const {
    for (CEmluatorModeBase* mode : m_modes) {
        if (mode->IsActived()) {
            return mode;
        }
    }
    return nullptr;
}

void CEmualtor::SaveCurrentActivedMode() {
    if (m_savedMode == nullptr) {
        m_savedMode = GetCurrentActivedMode();
        SaveCurrentLCDData();
    }
}

void CEmualtor::RestoreSavedMode() {
    if (GetCurrentActivedMode() != nullptr) {
        return;
    }
    if (m_savedMode != nullptr) {
        CEmluatorModeBase* saved = m_savedMode;
        m_savedMode = nullptr;
        saved->SetActived(true);
    }
}

void CEmualtor::DisActivedCurrentMode() {
    if (m_savedMode != nullptr) {
        m_savedMode->SetActived(false);
    }
}

void CEmualtor::ReleaseModeDLLRes() {
    if (CEmluatorModeBase* active = GetCurrentActivedMode()) {
        active->SetActived(false);
    }
    Loop().Sleep(std::chrono::milliseconds(50));
    m_modes.clear();
    m_savedMode = nullptr;
    for (std::unique_ptr<platform::Module>& module : m_modules) {
        module.reset();
    }
    m_modules.clear();
}

void CEmualtor::SetLandID(std::uint16_t langId) {
    for (CEmluatorModeBase* mode : m_modes) {
        mode->m_langID = langId;
    }
}

void CEmualtor::ProcessVKey(std::uint8_t key) {
    ProcessPhoneKey(key);
}

void CEmualtor::ProcessPhoneKey(std::uint8_t key) {
    if ((!GetSkypeOnline() || !m_userOnline) && key != kIdleKey) {
        return;
    }
    if (IsAlwaysDispatched(key) || GetCurrentActivedMode() != nullptr || m_savedMode == nullptr) {
        DispatchKey(key);
        return;
    }
    for (CEmluatorModeBase* mode : m_modes) {
        platform::PostMessage(mode->Handle(), RegisteredMessages::Get().clearRestore, 0, 0);
    }
    RestoreSavedMode();
    m_savedMode = nullptr;
}

void CEmualtor::HandOver(CEmluatorModeBase* previous, CEmluatorModeBase* next) {
    previous->SetActived(false);
    // Two modes handing the handset back and forth must not point at each other.
    if (previous->m_prevMode != next) {
        next->m_prevMode = previous;
    }
}

void CEmualtor::DispatchKey(std::uint8_t key) {
    std::lock_guard lock(m_modeLock);
    // A mode may add modes while handling a key; walk by index over a stable copy.
    const std::vector<CEmluatorModeBase*> modes = m_modes;
    CEmluatorModeBase* active = GetCurrentActivedMode();
    if (active != nullptr && active->ProcessKey(key)) {
        return;
    }
    for (CEmluatorModeBase* mode : modes) {
        if (mode == active || mode->IsActived()) {
            continue;
        }
        if (mode->ProcessKey(key) && mode->IsActived() && active != nullptr) {
            HandOver(active, mode);
        }
    }
}

void CEmualtor::ProcessSkypePhone(const std::wstring& text) {
    if (GetCurrentActivedMode() == nullptr && m_savedMode != nullptr) {
        CEmluatorModeBase* saved = m_savedMode;
        m_savedMode = nullptr;
        saved->SetActived(true);
    }
    const std::vector<CEmluatorModeBase*> modes = m_modes;
    CEmluatorModeBase* handler = nullptr;
    bool handled = false;
    for (CEmluatorModeBase* mode : modes) {
        if (mode->IsActived()) {
            handled = mode->ProcessSkypeMsg(text);
            handler = mode;
        }
    }
    if (handler != nullptr && handled) {
        if (text.starts_with(kContactsFocused)) {
            return;
        }
        // The others may follow the news, but not take the handset from the mode that used it.
        for (CEmluatorModeBase* mode : modes) {
            if (mode == handler || mode->IsActived()) {
                continue;
            }
            mode->ProcessSkypeMsg(text);
            if (mode->IsActived()) {
                mode->SetActived(false);
                if (CEmluatorModeBase* current = GetCurrentActivedMode()) {
                    current->RefreshLCD();
                }
            }
        }
        return;
    }
    for (CEmluatorModeBase* mode : modes) {
        if (mode == handler || mode->IsActived()) {
            continue;
        }
        if (mode->ProcessSkypeMsg(text) && mode->IsActived() && handler != nullptr) {
            HandOver(handler, mode);
        }
    }
}
