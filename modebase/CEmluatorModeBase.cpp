// The mode base class: requests to the engine, the title countdown, direct LCD access.
#include "modebase/CEmluatorModeBase.h"

#include <algorithm>
#include <cstring>

#include "common/Messages.h"
#include "platform/text/Utf8.h"

CEmluatorModeBase::CEmluatorModeBase() = default;

void CEmluatorModeBase::CreateDialog() {
    if (!created_) {
        created_ = true;
        OnInitDialog();
    }
}

bool CEmluatorModeBase::OnInitDialog() {
    m_titleTicks = -1;
    SetTimer(kTitleTimer, std::chrono::milliseconds(100));
    m_titleTimer = static_cast<long>(kTitleTimer);
    return true;
}

void CEmluatorModeBase::StartTitleCountdown() {
    m_titleTicks = 0;
    if (m_titleTimer >= 0) {
        SetTimer(kTitleTimer, std::chrono::milliseconds(100));
    }
}

void CEmluatorModeBase::OnTimer(platform::TimerId id) {
    if (m_titleTimer >= 0 && id == static_cast<platform::TimerId>(m_titleTimer)) {
        if (m_titleTicks >= 0 && ++m_titleTicks > kTitleTicks) {
            ShowTitleScreen();
            m_titleTicks = -1;
        }
        if (m_titleTicks < 0) {
            KillTimer(kTitleTimer);
        }
    }
    Window::OnTimer(id);
}

bool CEmluatorModeBase::ProcessSkypeMsg(std::wstring /*text*/) {
    return false;
}

bool CEmluatorModeBase::ProcessKey(std::uint8_t /*key*/) {
    return false;
}

void CEmluatorModeBase::RequestDisplayLCD() {
    platform::SendMessage(m_hEmuWnd, RegisteredMessages::Get().requestDisplayLcd, 0,
                          reinterpret_cast<platform::LPARAM>(&m_lcd));
}

bool CEmluatorModeBase::RequestCmdToSkype(const std::wstring& text) {
    const std::string bytes = platform::ToUtf8(text);
    if (bytes.size() >= kSkypeCommandSize) {
        return false;
    }
    std::memcpy(m_skypeCommand, bytes.data(), bytes.size());
    m_skypeCommand[bytes.size()] = '\0';
    platform::SendMessage(m_hEmuWnd, RegisteredMessages::Get().requestCmdToSkype, 0,
                          reinterpret_cast<platform::LPARAM>(m_skypeCommand));
    return true;
}

void CEmluatorModeBase::RequestCmdToHID(std::uint8_t command, std::uint8_t value) {
    platform::PostMessage(m_hEmuWnd, RegisteredMessages::Get().requestCmdToHid, command, value);
}

void CEmluatorModeBase::SendVirtualKey(std::uint8_t key) {
    platform::PostMessage(m_hEmuWnd, RegisteredMessages::Get().virtualHidKey, key, 0);
}

unsigned CEmluatorModeBase::TitleLanguageOffset(std::uint16_t langId) {
    const bool chinese = (langId & 0x3FF) == 0x04;
    if (chinese && langId >= 0x0800 && langId < 0x0C00) {
        return 0;
    }
    return chinese ? 100 : 200;
}

void CEmluatorModeBase::ShowTitleScreen() {
    const std::wstring title =
        m_module != nullptr ? m_module->Load(101 + TitleLanguageOffset(m_langID)) : L"";
    const std::wstring blank(16, L' ');
    m_screen.textScreen = 1;
    m_screen.SetRow(0, blank);
    m_screen.SetRow(1, title);
    m_screen.SetRow(2, blank);
    m_screen.SetRow(3, blank);
    m_screen.highlight = -1;
    ShowScreen(&m_screen);
    RequestDisplayLCD();
}

void CEmluatorModeBase::SetLCDByte(int index, std::uint8_t value) {
    if (index >= 0 && index < static_cast<int>(m_lcd.size())) {
        m_lcd[static_cast<std::size_t>(index)] = value;
    }
}

std::uint8_t CEmluatorModeBase::GetLCDByte(int index) const {
    if (index < 0 || index >= static_cast<int>(m_lcd.size())) {
        return 0;
    }
    return m_lcd[static_cast<std::size_t>(index)];
}
