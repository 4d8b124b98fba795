// The console's start-up, the tray's state, the engine's notices, the language and information
// pages, and what hides the console and what ends the program.
#include <QTest>

#include "engine/hid/HandsetProtocol.h"
#include "host/larkspur/CPageInfomation.h"
#include "host/larkspur/CPageSetLanguage.h"
#include "host/larkspur/tests/ConsoleFixture.h"

namespace consoletest {
namespace {

using Choice = CPageSetLanguage::Choice;

TEST_F(ConsoleTest, StartUpSetsUpEveryPageAddsTheHostModeAndHidesTheConsoleAfter10Ms) {
    std::ofstream(dir.Path() / "KestrelCFG.ini", std::ios::app) << "[AutoRun]\nAutoRunSkype=0\n";
    Start();
    ASSERT_NE(nullptr, console->Engine());
    const auto& modes = console->Engine()->Modes();
    EXPECT_NE(modes.end(), std::find(modes.begin(), modes.end(), console->HostMode()));
    EXPECT_EQ(console->Engine()->Handle(), console->HostMode()->GetEmuWnd());
    for (int tab = 0; tab < CPageParent::kTabs; ++tab) {
        EXPECT_TRUE(console->Page(static_cast<CPageParent::Tab>(tab)).IsInitialised()) << tab;
    }
    EXPECT_EQ(CPageParent::kAudioTab, console->Tabs().currentIndex());
    // The pages read their settings at their set-up.
    EXPECT_TRUE(console->LanguagePage().Radio(CPageSetLanguage::kEnglish)->isChecked());
    EXPECT_FALSE(console->InformationPage().AutoRunSkypeBox()->isChecked());
    EXPECT_EQ("Quillon Console", console->windowTitle());
    EXPECT_EQ("Language", TabText(CPageParent::kLanguageTab));

    EXPECT_TRUE(console->isVisible());
    loop.AdvanceBy(std::chrono::milliseconds(9));
    EXPECT_TRUE(console->isVisible());
    loop.AdvanceBy(std::chrono::milliseconds(1));
    EXPECT_FALSE(console->isVisible());
    // It fires once: a console shown later stays.
    console->ShowConsole();
    loop.AdvanceBy(std::chrono::seconds(1));
    EXPECT_TRUE(console->isVisible());
}

TEST_F(ConsoleTest, WithoutATrayTheConsoleStaysShown) {
    Start(/*tray=*/false);
    loop.AdvanceBy(std::chrono::seconds(1));
    EXPECT_FALSE(console->HasTray());
    EXPECT_TRUE(console->isVisible());
}

TEST_F(ConsoleTest, TheTrayFollowsTheHandsetAndTheSoftphone) {
    struct Case {
        bool handset;
        bool softphone;
        TrayIcon icon;
        const char* tip;
    };
    const Case cases[] = {
        {true, true, TrayIcon::AllOk, "Quillon"},
        {true, false, TrayIcon::NoSkype, "Quillon(SkypeNotOnline)"},
        {false, true, TrayIcon::NoDevice, "Quillon(DeviceNotOnline)"},
        {false, false, TrayIcon::NoDevice, "Quillon(DeviceNotOnline)"},
    };
    Start();
    for (const Case& c : cases) {
        links.hid.present = c.handset;
        links.skype.attached = c.softphone;
        const std::size_t notices = CountOf({8, 0});
        EXPECT_EQ(1, Send(m.hidSkypeStatusChange, 0, 0));
        EXPECT_EQ(c.tip, console->Tray().Tip()) << c.tip;
        const QRgb colour =
            std::find_if(std::begin(kIconColours), std::end(kIconColours), [&](const auto& entry) {
                return entry.first == c.icon;
            })->second;
        EXPECT_EQ(colour, WindowIconColour()) << c.tip;
        // The handset is told the system is there whenever the state is shown with it online.
        EXPECT_EQ(notices + (c.handset ? 1 : 0), CountOf({8, 0})) << c.tip;
    }
}

TEST_F(ConsoleTest, NoticesOfFirmwareAndSettings) {
    Start();
    QLabel* firmware = console->InformationPage().FirmwareLabel();
    EXPECT_EQ("XXXX", firmware->text());
    struct Case {
        platform::WPARAM wParam;
        platform::LPARAM lParam;
        const char* text;
    };
    for (const Case& c : {Case{0x3132, 0x33343500, "12345"}, Case{0x3100, 0x33000000, "1"},
                          Case{0, 0, "XXXX"}, Case{0x3132, 0, "XXXX"}}) {
        EXPECT_EQ(1, Send(m.firmwareVersion, c.wParam, c.lParam));
        EXPECT_EQ(c.text, firmware->text());
    }

    // Only "reload" (0) reads the settings again; the ring lock (1) and others leave them.
    platform::WritePrivateProfileString(L"PhoneSet", L"lang", L"17", dir.Path() / "KestrelCFG.ini");
    for (platform::WPARAM other : {1, 1, 2}) {
        EXPECT_EQ(1, Send(m.settingChange, other, other == 1 ? 0 : 1));
        EXPECT_TRUE(console->LanguagePage().Radio(CPageSetLanguage::kEnglish)->isChecked());
        EXPECT_EQ("Language", TabText(CPageParent::kLanguageTab));
    }
    EXPECT_EQ(1, Send(m.settingChange, 0, 0));
    EXPECT_TRUE(console->LanguagePage().Radio(CPageSetLanguage::kJapanese)->isChecked());
    EXPECT_EQ(Host(534, 300), TabText(CPageParent::kLanguageTab));
}

TEST_F(ConsoleTest, EachLanguageChoiceIsStoredHandedOnAndRelabelsEverything) {
    struct Case {
        const char* locale;  // the system's language, for Auto
        Choice choice;
        const wchar_t* stored;
        std::uint16_t langId;
        unsigned base;
    };
    const Case cases[] = {
        {"de_DE.UTF-8", Choice::kAuto, L"0", 9, 0},
        {"zh_HK.UTF-8", Choice::kAuto, L"0", 0x0C04, 200},
        {"ja_JP.UTF-8", Choice::kAuto, L"0", 0x0411, 300},
        {"de_DE.UTF-8", Choice::kSimplifiedChinese, L"2052", 2052, 100},
        {"de_DE.UTF-8", Choice::kTraditionalChinese, L"1028", 1028, 200},
        {"zh_CN.UTF-8", Choice::kEnglish, L"9", 9, 0},
        {"de_DE.UTF-8", Choice::kJapanese, L"17", 17, 300},
    };
    Start();
    for (const Case& c : cases) {
        ::setenv("LC_ALL", c.locale, 1);
        console->settingKeys.clear();
        console->LanguagePage().Radio(c.choice)->click();
        EXPECT_EQ(c.stored, Setting(L"PhoneSet", L"lang")) << c.locale << c.choice;
        EXPECT_EQ(c.langId, probe.Language()) << c.locale << c.choice;
        EXPECT_EQ(std::vector<std::uint8_t>{106}, console->settingKeys);
        EXPECT_TRUE(console->LanguagePage().Radio(c.choice)->isChecked());
        EXPECT_EQ(c.base, console->LanguageBase());
        // Every page and the console itself speak the new language.
        for (int tab = 0; tab < CPageParent::kTabs; ++tab) {
            EXPECT_EQ(Host(532 + tab, c.base), TabText(tab));
        }
        EXPECT_EQ(Host(537, c.base), console->CloseButton().text());
        EXPECT_EQ(Host(538, c.base), console->ExitButton().text());
        EXPECT_EQ(Host(501, c.base), console->LanguagePage().Group()->title());
        EXPECT_EQ(Host(506, c.base), console->LanguagePage().Radio(Choice::kJapanese)->text());
        EXPECT_EQ("Quillon" + Host(525, c.base), console->InformationPage().VersionLabel()->text());
        EXPECT_EQ(Host(538, c.base).trimmed(), console->Tray().Menu().actions().back()->text());
    }
}

TEST_F(ConsoleTest, TheStoredLanguageChoosesTheRadioAndTheTexts) {
    struct Case {
        const char* stored;
        Choice shown;
        unsigned base;
    };
    const Case cases[] = {
        {"0", Choice::kAuto, 0},  // the system is German
        {"2052", Choice::kSimplifiedChinese, 100},
        {"1028", Choice::kTraditionalChinese, 200},
        {"3076", Choice::kTraditionalChinese, 200},  // 0x0C04, Hong Kong
        {"9", Choice::kEnglish, 0},
        {"1033", Choice::kEnglish, 0},
        {"17", Choice::kJapanese, 300},
        {"7", Choice::kJapanese, 0},  // any other language shows Japanese, in English texts
    };
    Start();
    for (const Case& c : cases) {
        std::ofstream(dir.Path() / "KestrelCFG.ini")
            << "[App]\nAppName=Quillon\n[PhoneSet]\nlang=" << c.stored << "\n";
        Send(m.settingChange, 0, 0);
        for (int choice = 0; choice < CPageSetLanguage::kChoices; ++choice) {
            EXPECT_EQ(choice == c.shown,
                      console->LanguagePage().Radio(static_cast<Choice>(choice))->isChecked())
                << c.stored << " " << choice;
        }
        EXPECT_EQ(c.base, console->LanguageBase()) << c.stored;
    }
    // Auto on a Japanese system: the Auto radio, the Japanese texts.
    ::setenv("LC_ALL", "ja_JP.UTF-8", 1);
    std::ofstream(dir.Path() / "KestrelCFG.ini") << "[PhoneSet]\nlang=0\n";
    Send(m.settingChange, 0, 0);
    EXPECT_TRUE(console->LanguagePage().Radio(Choice::kAuto)->isChecked());
    EXPECT_EQ(300u, console->LanguageBase());
}

TEST_F(ConsoleTest, TheInformationSwitchesWriteTheirSettingsAndTheAutostartEntry) {
    Start();
    CPageInfomation& page = console->InformationPage();
    EXPECT_EQ("When Windows Startup autorun Quillon", page.AutoRunBox()->text());
    // Nothing starts the program yet, whatever the file's default says.
    EXPECT_FALSE(page.AutoRunBox()->isChecked());

    const fs::path entry = config / "autostart" / "Kestrel.desktop";
    page.AutoRunBox()->click();
    EXPECT_TRUE(page.AutoRunBox()->isChecked());
    std::ifstream in(entry);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(std::string::npos,
              text.find("Exec=\"" + (dir.Path() / "Larkspur").string() + "\"\n"));
    EXPECT_EQ(L"1", Setting(L"AutoRun", L"AutoRun"));

    page.AutoRunBox()->click();
    EXPECT_FALSE(page.AutoRunBox()->isChecked());
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(L"0", Setting(L"AutoRun", L"AutoRun"));

    // An autostart folder that cannot be written: the switch goes back, the file keeps "0".
    fs::remove_all(config / "autostart");
    std::ofstream(config / "autostart") << "not a folder";
    page.AutoRunBox()->click();
    EXPECT_FALSE(page.AutoRunBox()->isChecked());
    EXPECT_EQ(L"0", Setting(L"AutoRun", L"AutoRun"));

    for (const auto& [box, key] : {std::pair{page.AutoRunSkypeBox(), L"AutoRunSkype"},
                                   std::pair{page.SynchronousBox(), L"sync"}}) {
        const wchar_t* section = box == page.SynchronousBox() ? L"phoneset" : L"AutoRun";
        const bool before = box->isChecked();
        box->click();
        EXPECT_EQ(before ? L"0" : L"1", Setting(section, key));
        box->click();
        EXPECT_EQ(before ? L"1" : L"0", Setting(section, key));
    }
}

TEST_F(ConsoleTest, OnlyExitEndsTheProgramAndItSaysGoodbyeToTheHandset) {
    Start();
    bool ended = false;
    console->SetOnExit([&] { ended = true; });
    console->ShowConsole();
    console->close();
    EXPECT_FALSE(console->isVisible());
    console->ShowConsole();
    QTest::keyClick(console.get(), Qt::Key_Escape);
    QTest::keyClick(console.get(), Qt::Key_Return);
    EXPECT_TRUE(console->isVisible());
    QTest::keyClick(console.get(), Qt::Key_K, Qt::AltModifier);
    EXPECT_FALSE(console->isVisible());
    console->ShowConsole();
    console->CloseButton().click();
    EXPECT_FALSE(console->isVisible());
    EXPECT_FALSE(ended);
    EXPECT_FALSE(links.hid.closed);

    console->ExitButton().click();
    EXPECT_TRUE(ended);
    EXPECT_EQ(nullptr, console->Engine());
    EXPECT_TRUE(links.hid.closed);
    // The handset's goodbye: the closing notice, then light, mute and ringer off.
    const std::vector<Command> goodbye = {{handset::kClosing, 0},
                                          {handset::kDisplayLight, 0},
                                          {handset::kMicMute, 0},
                                          {handset::kRinger, 0}};
    const auto& commands = links.hid.commands;
    EXPECT_NE(commands.end(),
              std::search(commands.begin(), commands.end(), goodbye.begin(), goodbye.end()));
    // Without an engine the pages act on nothing.
    const std::size_t sent = commands.size();
    console->PostDeviceCommand(4, 1);
    loop.ProcessReady();
    EXPECT_EQ(sent, commands.size());
    EXPECT_FALSE(console->SendSkypeCommand(L"PING"));
}

}  // namespace
}  // namespace consoletest
