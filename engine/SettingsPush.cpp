// What the engine sends out: control commands to the handset, commands to the softphone, and
// the stored settings pushed to both.
#include "common/Messages.h"
#include "engine/CEmualtor.h"
#include "engine/KestrelConfig.h"
#include "engine/hid/HandsetProtocol.h"
#include "platform/text/IgnoringCase.h"
#include "platform/text/Utf8.h"

namespace {

constexpr std::size_t kMaxSkypeCommand = 255;
constexpr std::wstring_view kDefaultDevice = L"Windows Default Device";

}  // namespace

bool CEmualtor::SendCmdToSkype(const std::wstring& text) {
    const std::string bytes = platform::ToUtf8(text);
    if (!m_skypeLink || bytes.size() > kMaxSkypeCommand) {
        return false;
    }
    return m_skypeLink->SendCommand(bytes);
}

bool CEmualtor::SendCtrlCmdToDevice(std::uint8_t command, std::uint8_t value) {
    if (!m_hidLink || !m_hidLink->IsPresent()) {
        return false;
    }
    return m_hidLink->SendCtrlCmd(command, value);
}

void CEmualtor::SendBackKeyLight(std::uint8_t command, std::uint8_t value) {
    platform::PostMessage(Handle(), RegisteredMessages::Get().requestCmdToHid, command, value);
}

bool CEmualtor::GetHIDOnline() const {
    return m_hidLink && m_hidLink->IsPresent();
}

bool CEmualtor::GetSkypeOnline() const {
    return m_skypeLink && m_skypeLink->IsAttached();
}

std::uint16_t CEmualtor::ComputeCRC(const std::uint8_t* data, std::size_t length) {
    return handset::ComputeCRC(std::span<const std::uint8_t>(data, data == nullptr ? 0 : length));
}

void CEmualtor::InitPhone() {
    const KestrelConfig config(m_startDirectory);
    auto setting = [&](const wchar_t* key, int defaultValue) {
        return static_cast<std::uint8_t>(config.GetInt(L"PhoneSet", key, defaultValue));
    };
    UpdateWare();
    SendCtrlCmdToDevice(handset::kStartupNotice, 0);
    Loop().Sleep(std::chrono::milliseconds(10));
    SendCtrlCmdToDevice(handset::kKeySound, setting(L"pbsnd", 1));
    SendCtrlCmdToDevice(handset::kRinger, 0);
    SendCtrlCmdToDevice(handset::kMicMute, setting(L"mic", 1));
    SendCtrlCmdToDevice(handset::kContrast, setting(L"contrast", 20));
    SendCtrlCmdToDevice(handset::kSoundOutput, setting(L"sndout", 0));
}

void CEmualtor::InitSkype() {
    const KestrelConfig config(m_startDirectory);
    auto device = [&](const wchar_t* key) {
        std::wstring name = config.GetString(L"MultiMedia", key, kDefaultDevice).substr(0, 256);
        return name == kDefaultDevice ? std::wstring() : name;
    };
    SendCmdToSkype(L"Set audio_out " + device(L"audioout"));
    SendCmdToSkype(L"Set audio_in " + device(L"audioin"));
    SendCmdToSkype(L"Set ringer " + device(L"ringer"));
    if (config.GetInt(L"PhoneSet", L"bell", 1) == 1) {
        std::wstring file = config.GetString(L"MultiMedia", L"RingerFile", L"");
        if (platform::EqualIgnoringCase(file, L"default.wav")) {
            file = (m_startDirectory / L"default.wav").wstring();
        }
        if (!file.empty()) {
            SendCmdToSkype(L"set ringtone 1 " + file);
        }
    } else {
        SendCmdToSkype(L"set ringtone 1 " + (m_startDirectory / L"mute.wav").wstring());
    }
}
