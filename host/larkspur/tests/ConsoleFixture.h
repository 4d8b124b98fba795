// The console on Qt's offscreen platform, around a real engine with fake links on the manual
// clock and fake sound devices.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>

#include "common/Messages.h"
#include "engine/tests/EngineFakes.h"
#include "host/larkspur/CPageParent.h"
#include "host/larkspur/HostStrings.h"
#include "platform/audio/FakeAudioDevices.h"
#include "platform/profile/Profile.h"

namespace consoletest {

namespace fs = std::filesystem;
using enginetest::Command;

// The colour each status icon file is filled with, to tell them apart in the window icon.
inline const std::pair<TrayIcon, QRgb> kIconColours[] = {
    {TrayIcon::AllOk, qRgb(0, 160, 0)},
    {TrayIcon::NoSkype, qRgb(200, 0, 0)},
    {TrayIcon::NoDevice, qRgb(128, 128, 128)},
};

// A mode that only lets the test see the language the engine handed on.
class LanguageProbe : public CEmluatorModeBase {
  public:
    std::uint16_t Language() const { return m_langID; }
};

// The console around an engine with fake links and fake sound devices, seeing a tray when the
// test says so, recording the setting keys the pages post and the errors they show, and
// answering the file dialog with the test's file.
class TestConsole : public CPageParent {
  public:
    TestConsole(const fs::path& directory, enginetest::FakeLinkFactory& links,
                platform::AudioDevices& audio, bool tray)
        : CPageParent(directory, audio), links_(links), tray_(tray) {}
    ~TestConsole() override { ShutdownEngine(); }

    void PostSettingKey(std::uint8_t code) override {
        settingKeys.push_back(code);
        CPageParent::PostSettingKey(code);
    }

    std::optional<std::wstring> ChooseSoundFile() override { return chosenFile; }
    void ShowError(const std::wstring& text) override { errors.push_back(text); }

    std::vector<std::uint8_t> settingKeys;
    std::optional<std::wstring> chosenFile;
    std::vector<std::wstring> errors;
    std::unique_ptr<CEmualtor> engine;

  protected:
    CEmualtor* LoadEngine() override {
        engine = std::make_unique<CEmualtor>(links_, StartDirectory());
        engine->Create(Handle());
        return engine.get();
    }
    bool TrayAvailable() const override { return tray_; }

  private:
    enginetest::FakeLinkFactory& links_;
    bool tray_;
};

class ConsoleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ofstream(dir.Path() / "KestrelCFG.ini")
            << "[App]\nAppName=Quillon\n[ICON]\nallok=allok.png\nnoskype=noskype.png\n"
               "nodevice=nodevice.png\n[PhoneSet]\nlang=9\n";
        fs::create_directories(dir.Path() / "logo");
        for (const auto& [icon, colour] : kIconColours) {
            QImage picture(16, 16, QImage::Format_RGB32);
            picture.fill(colour);
            picture.save(QString::fromStdString((dir.Path() / "logo" / ToString(icon)).string()) +
                         ".png");
        }
        config = dir.Path() / "config";
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        // An installed package's autostart entry must not reach the tests.
        ::setenv("XDG_CONFIG_DIRS", (config / "system").c_str(), 1);
        ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    }
    void TearDown() override {
        console.reset();
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("XDG_CONFIG_DIRS");
        ::unsetenv("LC_ALL");
    }
    void Start(bool tray = true) {
        console = std::make_unique<TestConsole>(dir.Path(), links, audio, tray);
        console->Start();
        console->engine->AddMode(&probe);
        loop.ProcessReady();
    }
    platform::LRESULT Send(platform::MessageId message, platform::WPARAM wParam,
                           platform::LPARAM lParam) {
        return platform::SendMessage(console->Handle(), message, wParam, lParam);
    }
    std::wstring Setting(const wchar_t* section, const wchar_t* key) const {
        return platform::GetPrivateProfileString(section, key, L"-", dir.Path() / "KestrelCFG.ini");
    }
    QRgb WindowIconColour() const {
        return console->windowIcon().pixmap(16, 16).toImage().pixel(8, 8);
    }
    std::size_t CountOf(Command command) const {
        const auto& commands = links.hid.commands;
        return static_cast<std::size_t>(std::count(commands.begin(), commands.end(), command));
    }
    QString TabText(int tab) const { return console->Tabs().tabText(tab); }
    static QString Host(unsigned id, unsigned base) {
        return QString::fromStdWString(HostString(id, base));
    }

    platform::ManualClock clock;
    platform::MessageLoop loop{clock};
    enginetest::TempDir dir;
    fs::path config;
    enginetest::FakeLinkFactory links;
    platform::FakeAudioDevices audio;
    LanguageProbe probe;
    std::unique_ptr<TestConsole> console;
    const RegisteredMessages& m = RegisteredMessages::Get();
};

}  // namespace consoletest
