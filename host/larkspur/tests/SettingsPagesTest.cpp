// The audio, phone and ring pages on fake sound devices: the handset chosen for the softphone,
// the desktop's defaults, the volume, every phone and ring control, and the settings changed on
// the handset coming back to the pages.
#include <QRadioButton>
#include <functional>

#include "host/larkspur/CPageSetAudio.h"
#include "host/larkspur/CPageSetPhone.h"
#include "host/larkspur/CPageSetRinging.h"
#include "host/larkspur/tests/ConsoleFixture.h"
#include "platform/text/Utf8.h"

namespace consoletest {
namespace {

using platform::AudioDirection;
using Device = platform::FakeAudioDevices::Device;
using Ring = CPageSetRinging::Choice;

class SettingsPagesTest : public ConsoleTest {
  protected:
    CPageSetAudio& AudioPage() const { return console->AudioPage(); }
    CPageSetPhone& PhonePage() const { return console->PhonePage(); }
    CPageSetRinging& RingPage() const { return console->RingPage(); }
    // What the softphone was told since `from`.
    std::vector<std::string> SentSince(std::size_t from) const {
        const auto& sent = links.skype.sent;
        return {sent.begin() + static_cast<std::ptrdiff_t>(std::min(from, sent.size())),
                sent.end()};
    }
    std::string Path(const char* name) const { return (dir.Path() / name).string(); }
    void Choose(QComboBox* list, int entry) {
        list->setCurrentIndex(entry);
        Q_EMIT list->activated(entry);
        loop.ProcessReady();
    }
    static std::vector<std::string> RoleCommands(const std::string& out, const std::string& in,
                                                 const std::string& ringer) {
        return {"Set audio_out " + out, "Set audio_in " + in, "Set ringer " + ringer};
    }
    std::vector<std::string> RoleCommandsSince(std::size_t from) const {
        std::vector<std::string> found;
        for (const std::string& text : SentSince(from)) {
            if (text.starts_with("Set audio_") || text.starts_with("Set ringer ")) {
                found.push_back(text);
            }
        }
        return found;
    }
};

TEST_F(SettingsPagesTest, TheHandsetIsChosenForTheSoftphoneWheneverItIsPresent) {
    struct Case {
        const char* what;
        std::vector<std::wstring> devices;  // outputs and inputs alike
        bool server;
        const wchar_t* stored;  // [MultiMedia] audioout, audioin and ringer before
        const wchar_t* chosen;  // what the three roles show and store afterwards
        const char* told;       // the device name the three commands carry
    };
    const Case cases[] = {
        {"handset and another",
         {L"Realtek HD Audio", L"USB Audio Device"},
         true,
         L"Realtek HD Audio",
         L"USB Audio Device",
         "USB Audio Device"},
        {"handset named ORTOLAN",
         {L"ORTOLAN", L"Speakers"},
         true,
         L"Speakers",
         L"ORTOLAN",
         "ORTOLAN"},
        {"no handset: the stored device",
         {L"Realtek HD Audio", L"Speakers"},
         true,
         L"realtek",
         L"realtek",
         "realtek"},
        {"the stored device is gone",
         {L"Speakers"},
         true,
         L"Realtek HD Audio",
         CPageSetAudio::kDefaultDevice,
         ""},
        {"names that only look like the handset's",
         {L"usb audio", L"USBAudio"},
         true,
         L"Gone",
         CPageSetAudio::kDefaultDevice,
         ""},
        {"no audio server",
         {L"USB Audio Device"},
         false,
         L"USB Audio Device",
         CPageSetAudio::kDefaultDevice,
         ""},
    };
    Start();
    for (const Case& c : cases) {
        for (const wchar_t* key : {L"audioout", L"audioin", L"ringer"}) {
            platform::WritePrivateProfileString(L"MultiMedia", key, c.stored,
                                                dir.Path() / "KestrelCFG.ini");
        }
        audio.outputs.clear();
        audio.inputs.clear();
        for (const std::wstring& name : c.devices) {
            audio.outputs.push_back({name});
            audio.inputs.push_back({name});
        }
        audio.available = c.server;
        const std::size_t before = links.skype.sent.size();
        // The engine's notice of a handset that came or went.
        Send(m.audioDeviceChange, 0, 0);
        EXPECT_EQ(RoleCommands(c.told, c.told, c.told), RoleCommandsSince(before)) << c.what;
        for (auto role :
             {CPageSetAudio::kAudioOut, CPageSetAudio::kAudioIn, CPageSetAudio::kRinger}) {
            EXPECT_TRUE(AudioPage().RoleList(role)->currentText().startsWith(
                QString::fromStdWString(c.chosen), Qt::CaseInsensitive))
                << c.what << role;
            EXPECT_EQ(static_cast<int>(c.server ? c.devices.size() : 0) + 1,
                      AudioPage().RoleList(role)->count())
                << c.what;
        }
        for (const wchar_t* key : {L"audioout", L"audioin", L"ringer"}) {
            EXPECT_EQ(c.chosen, Setting(L"MultiMedia", key)) << c.what;
        }
    }
}

TEST_F(SettingsPagesTest, TheHandsetComesGoesAndComesBackAndTheUsersChoiceFollows) {
    audio.outputs = {{L"Speakers"}, {L"USB Audio Device"}};
    audio.inputs = {{L"Microphone"}, {L"USB Audio Device"}};
    links.skype.attached = false;
    Start();
    // The engine tells the stored devices (none yet), then the page the handset it found.
    std::vector<std::string> told = RoleCommands("", "", "");
    for (std::string& command :
         RoleCommands("USB Audio Device", "USB Audio Device", "USB Audio Device")) {
        told.push_back(std::move(command));
    }
    EXPECT_EQ(told, RoleCommandsSince(0));

    // A softphone that attaches later is told too.
    links.skype.attached = true;
    std::size_t before = links.skype.sent.size();
    Send(m.hidSkypeStatusChange, 0, 0);
    EXPECT_EQ(RoleCommands("USB Audio Device", "USB Audio Device", "USB Audio Device"),
              RoleCommandsSince(before));
    before = links.skype.sent.size();
    Send(m.hidSkypeStatusChange, 0, 0);
    EXPECT_TRUE(RoleCommandsSince(before).empty());

    // The user's choices, "Windows Default Device" among them, are told and stored as shown.
    before = links.skype.sent.size();
    Choose(AudioPage().RoleList(CPageSetAudio::kAudioOut), 1);
    Choose(AudioPage().RoleList(CPageSetAudio::kRinger), 0);
    EXPECT_EQ((std::vector<std::string>{"Set audio_out Speakers", "Set ringer "}),
              RoleCommandsSince(before));
    EXPECT_EQ(L"Speakers", Setting(L"MultiMedia", L"audioout"));
    EXPECT_EQ(CPageSetAudio::kDefaultDevice, Setting(L"MultiMedia", L"ringer"));

    // The handset's firmware report means it is (back) there: it is chosen again.
    before = links.skype.sent.size();
    Send(m.firmwareVersion, 0x3132, 0);
    EXPECT_EQ(RoleCommands("USB Audio Device", "USB Audio Device", "USB Audio Device"),
              RoleCommandsSince(before));

    // Unplugged: the audio server reports it gone. The stored handset is not listed any more.
    audio.outputs.pop_back();
    audio.inputs.pop_back();
    before = links.skype.sent.size();
    audio.Announce();
    EXPECT_EQ(RoleCommands("", "", ""), RoleCommandsSince(before));
    EXPECT_EQ(CPageSetAudio::kDefaultDevice, Setting(L"MultiMedia", L"audioin"));

    // Plugged back: the engine may tell before the audio server does; each brings it back.
    audio.outputs.push_back({L"USB Audio Device"});
    audio.inputs.push_back({L"USB Audio Device"});
    before = links.skype.sent.size();
    audio.Announce();
    EXPECT_EQ(RoleCommands("USB Audio Device", "USB Audio Device", "USB Audio Device"),
              RoleCommandsSince(before));
    EXPECT_EQ(L"USB Audio Device", Setting(L"MultiMedia", L"audioout"));
}

TEST_F(SettingsPagesTest, TheDesktopsDefaultDevicesAreShownKeptAndChosen) {
    audio.outputs = {{L"Speakers"}, {L"HDMI"}, {L"USB Audio Device"}};
    audio.inputs = {{L"Microphone"}, {L"USB Audio Device"}};
    audio.defaultOutput = L"USB Audio Device";
    audio.defaultInput = L"Gone";  // not listed: replaced by the last other device
    Start();
    QComboBox* playback = AudioPage().DefaultList(AudioDirection::kOutput);
    QComboBox* record = AudioPage().DefaultList(AudioDirection::kInput);
    EXPECT_EQ("USB Audio Device", playback->currentText());
    EXPECT_EQ("Microphone", record->currentText());
    EXPECT_EQ(L"Microphone", audio.defaultInput);
    EXPECT_EQ(3, playback->count());
    EXPECT_EQ(2, record->count());

    Choose(playback, 1);
    EXPECT_EQ(L"HDMI", audio.defaultOutput);

    // Without the server nothing is shown or kept, and a choice changes nothing.
    audio.available = false;
    audio.Announce();
    EXPECT_EQ(-1, playback->currentIndex());
    EXPECT_EQ(0, playback->count());
    audio.available = true;
    audio.Announce();
    EXPECT_EQ("HDMI", playback->currentText());
}

TEST_F(SettingsPagesTest, TheVolumeSliderSetsTheHandsetsDeviceInSeventeenSteps) {
    audio.outputs = {{L"Speakers", 5}, {L"USB Audio Device", 3}};
    std::ofstream(dir.Path() / "KestrelCFG.ini", std::ios::app) << "vol=20\n";
    Start();
    QSlider* slider = AudioPage().VolumeSlider();
    // A stored level beyond the top is shown at the top, and stored and set as the top.
    EXPECT_EQ(0, slider->value());
    EXPECT_EQ(L"16", Setting(L"PhoneSet", L"vol"));
    EXPECT_EQ(std::vector<std::uint8_t>{101}, console->settingKeys);
    EXPECT_EQ(16, audio.outputs[1].volumeStep);

    struct Case {
        int position;  // 0 is the top of the slider
        int step;
    };
    for (const Case& c : {Case{8, 8}, Case{16, 0}, Case{0, 16}}) {
        console->settingKeys.clear();
        slider->setValue(c.position);
        EXPECT_EQ(c.step, audio.outputs[1].volumeStep) << c.position;
        EXPECT_EQ(std::to_wstring(c.step), Setting(L"PhoneSet", L"vol"));
        EXPECT_EQ(std::vector<std::uint8_t>{101}, console->settingKeys);
    }
    EXPECT_EQ(5, audio.outputs[0].volumeStep);  // not the handset's

    // The level the handset changed is read back on the engine's notice.
    platform::WritePrivateProfileString(L"PhoneSet", L"vol", L"4", dir.Path() / "KestrelCFG.ini");
    console->settingKeys.clear();
    Send(m.settingChange, 0, 0);
    EXPECT_EQ(12, slider->value());
    EXPECT_EQ(4, audio.outputs[1].volumeStep);
    EXPECT_TRUE(console->settingKeys.empty());
}

TEST_F(SettingsPagesTest, EveryPhoneAndRingControlStoresSendsAndAnnounces) {
    struct Case {
        const char* what;
        std::function<void()> act;
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* value;
        std::optional<Command> command;
        std::uint8_t settingKey;
    };
    Start();
    CPageSetPhone& phone = PhonePage();
    CPageSetRinging& ring = RingPage();
    const Case cases[] = {
        {"contrast 8 to 10", [&] { phone.ContrastSlider()->setValue(10); }, L"PhoneSet",
         L"contrast", L"34", Command{5, 34}, 102},
        {"mic mute on", [&] { Choose(phone.MicMuteList(), 1); }, L"PhoneSet", L"mic", L"1",
         Command{4, 1}, 105},
        {"mic mute off", [&] { Choose(phone.MicMuteList(), 0); }, L"PhoneSet", L"mic", L"0",
         Command{4, 0}, 105},
        {"hands-free", [&] { Choose(phone.SoundOutList(), 1); }, L"PhoneSet", L"sndout", L"1",
         Command{7, 1}, 107},
        {"key press speaker", [&] { ring.KeyPressRadio(Ring::kSpeaker)->click(); }, L"PhoneSet",
         L"pbsnd", L"2", Command{1, 2}, 103},
        {"key press none", [&] { ring.KeyPressRadio(Ring::kNone)->click(); }, L"PhoneSet", L"pbsnd",
         L"0", Command{1, 0}, 103},
        {"ring none", [&] { ring.IncomingRadio(Ring::kNone)->click(); }, L"PhoneSet", L"bell", L"0",
         std::nullopt, 104},
        {"ring speaker", [&] { ring.IncomingRadio(Ring::kSpeaker)->click(); }, L"PhoneSet", L"bell",
         L"1", std::nullopt, 104},
        {"melody 3", [&] { Choose(ring.RingTypeList(), 3); }, L"PhoneSet", L"bell", L"4",
         std::nullopt, 104},
        {"no melody", [&] { Choose(ring.RingTypeList(), 0); }, L"PhoneSet", L"bell", L"0",
         std::nullopt, 104},
    };
    for (const Case& c : cases) {
        console->settingKeys.clear();
        const std::size_t commands = links.hid.commands.size();
        c.act();
        loop.ProcessReady();
        EXPECT_EQ(c.value, Setting(c.section, c.key)) << c.what;
        EXPECT_EQ(std::vector<std::uint8_t>{c.settingKey}, console->settingKeys) << c.what;
        const std::vector<Command> sent(
            links.hid.commands.begin() + static_cast<std::ptrdiff_t>(commands),
            links.hid.commands.end());
        // The modes may redraw on the setting key; of the settings' own commands only the
        // control's is sent.
        std::vector<Command> settingCommands;
        std::copy_if(sent.begin(), sent.end(), std::back_inserter(settingCommands),
                     [](const Command& command) {
                         return command.first == 1 || command.first == 4 || command.first == 5 ||
                                command.first == 7;
                     });
        EXPECT_EQ(c.command ? std::vector<Command>{*c.command} : std::vector<Command>{},
                  settingCommands)
            << c.what;
    }
    // A melody shows the hidden buzzer choice, so no visible incoming radio is checked.
    Choose(ring.RingTypeList(), 5);
    EXPECT_TRUE(ring.IncomingRadio(Ring::kBuzzer)->isChecked());
    EXPECT_TRUE(ring.IncomingRadio(Ring::kBuzzer)->isHidden());
}

TEST_F(SettingsPagesTest, TheRingToneFileAndWhatTheSoftphoneRingsWith) {
    Start();
    CPageSetPhone& phone = PhonePage();
    CPageSetRinging& ring = RingPage();
    // Defaults: nothing stored.
    EXPECT_EQ(8, phone.ContrastSlider()->value());
    EXPECT_EQ("Off", phone.MicMuteList()->currentText());
    EXPECT_EQ("Default", phone.SoundOutList()->currentText());
    EXPECT_EQ("", phone.RingerFileEdit()->text());
    EXPECT_TRUE(ring.IncomingRadio(Ring::kSpeaker)->isChecked());
    EXPECT_TRUE(ring.KeyPressRadio(Ring::kNone)->isChecked());
    const auto& sent = links.skype.sent;
    EXPECT_NE(sent.end(), std::find(sent.begin(), sent.end(), "set ringtone 1 "));

    const std::string longest = "/" + std::string(CPageSetPhone::kMaxRingerPath - 5, 'r') + ".wav";
    struct Case {
        const char* what;
        std::optional<std::string> chosen;  // nothing: the dialog cancelled
        const wchar_t* bell;
        std::vector<std::string> told;
        bool refused;
    };
    const Case cases[] = {
        {"a file with bell 1", longest, L"1", {"set ringtone 1 " + longest}, false},
        {"a file with the ring off",
         "/sounds/b.wav",
         L"0",
         {"set ringtone 1 " + Path("mute.wav")},
         false},
        {"a path one too long", longest + "x", L"1", {}, true},
        {"cancelled", std::nullopt, L"1", {}, false},
    };
    std::string stored;
    for (const Case& c : cases) {
        platform::WritePrivateProfileString(L"PhoneSet", L"bell", c.bell,
                                            dir.Path() / "KestrelCFG.ini");
        console->chosenFile =
            c.chosen ? std::optional(platform::FromUtf8(*c.chosen)) : std::nullopt;
        console->errors.clear();
        console->settingKeys.clear();
        const std::size_t before = sent.size();
        phone.BrowseButton()->click();
        EXPECT_EQ(c.told, SentSince(before)) << c.what;
        if (c.chosen && !c.refused) {
            stored = *c.chosen;
        }
        EXPECT_EQ(platform::FromUtf8(stored), Setting(L"MultiMedia", L"RingerFile")) << c.what;
        EXPECT_EQ(QString::fromStdString(stored), phone.RingerFileEdit()->text()) << c.what;
        EXPECT_EQ(c.refused ? 1u : 0u, console->errors.size()) << c.what;
        EXPECT_TRUE(console->settingKeys.empty()) << c.what;
    }
    // The refusal says why.
    console->chosenFile = platform::FromUtf8(longest + "x");
    phone.BrowseButton()->click();
    EXPECT_EQ(std::vector<std::wstring>{L"Error: This file's pathname is too long,\nplease select "
                                        L"another file."},
              console->errors);

    // Speaker: the file, "default.wav" meaning the program's own; no file, nothing told.
    for (const auto& [file, told] : {std::pair<const wchar_t*, std::vector<std::string>>{
                                         L"DEFAULT.WAV", {"set ringtone 1 " + Path("default.wav")}},
                                     {L"", {}}}) {
        platform::WritePrivateProfileString(L"MultiMedia", L"RingerFile", file,
                                            dir.Path() / "KestrelCFG.ini");
        const std::size_t before = sent.size();
        ring.IncomingRadio(Ring::kSpeaker)->click();
        EXPECT_EQ(told, SentSince(before));
        EXPECT_EQ(L"1", Setting(L"PhoneSet", L"bell"));
    }
    const std::size_t before = sent.size();
    ring.IncomingRadio(Ring::kNone)->click();
    EXPECT_EQ(std::vector<std::string>{"set ringtone 1 " + Path("mute.wav")}, SentSince(before));
}

TEST_F(SettingsPagesTest, SettingsChangedOnTheHandsetReachThePagesAndRingingLocksTheRing) {
    Start();
    CPageSetPhone& phone = PhonePage();
    CPageSetRinging& ring = RingPage();
    // What the Call mode does on the handset's mute key with synchronisation on, and on other
    // settings: the file first, then the notice through the engine.
    for (const auto& [key, value] : {std::pair{L"mic", L"1"},
                                     {L"sndout", L"1"},
                                     {L"contrast", L"36"},
                                     {L"bell", L"5"},
                                     {L"pbsnd", L"2"}}) {
        platform::WritePrivateProfileString(L"PhoneSet", key, value, dir.Path() / "KestrelCFG.ini");
    }
    platform::PostMessage(console->Engine()->Handle(), m.settingChange, 0, 0);
    loop.ProcessReady();
    EXPECT_EQ("On", phone.MicMuteList()->currentText());
    EXPECT_EQ("Hand Free", phone.SoundOutList()->currentText());
    EXPECT_EQ(12, phone.ContrastSlider()->value());
    EXPECT_EQ("Ring 4", ring.RingTypeList()->currentText());
    EXPECT_FALSE(ring.IncomingRadio(Ring::kSpeaker)->isChecked());
    EXPECT_FALSE(ring.IncomingRadio(Ring::kNone)->isChecked());
    EXPECT_TRUE(ring.KeyPressRadio(Ring::kSpeaker)->isChecked());

    // A key-press value with no radio leaves all unchecked.
    platform::WritePrivateProfileString(L"PhoneSet", L"pbsnd", L"7", dir.Path() / "KestrelCFG.ini");
    Send(m.settingChange, 0, 0);
    for (int choice = 0; choice < CPageSetRinging::kChoices; ++choice) {
        EXPECT_FALSE(ring.KeyPressRadio(static_cast<Ring>(choice))->isChecked()) << choice;
    }

    // The ringer starts (1, 0) and stops (1, 1).
    const std::vector<QWidget*> ringControls = {
        phone.BrowseButton(), ring.IncomingRadio(Ring::kSpeaker), ring.IncomingRadio(Ring::kBuzzer),
        ring.IncomingRadio(Ring::kNone), ring.RingTypeList()};
    for (const auto& [lParam, enabled] : {std::pair{0, false}, std::pair{1, true}}) {
        platform::PostMessage(console->Engine()->Handle(), m.settingChange, 1, lParam);
        loop.ProcessReady();
        for (QWidget* control : ringControls) {
            EXPECT_EQ(enabled, control->isEnabled()) << lParam;
        }
        EXPECT_TRUE(ring.KeyPressRadio(Ring::kSpeaker)->isEnabled());
        EXPECT_TRUE(phone.MicMuteList()->isEnabled());
    }
}

TEST_F(SettingsPagesTest, ThePagesSpeakEachLanguage) {
    Start();
    for (const auto& [langId, base] :
         {std::pair<std::uint16_t, unsigned>{9, 0}, {2052, 100}, {1028, 200}, {17, 300}}) {
        console->SetLanguage(langId);
        QStringList titles;
        for (const QGroupBox* group : AudioPage().findChildren<QGroupBox*>()) {
            titles.push_back(group->title());
        }
        EXPECT_EQ((QStringList{Host(507, base), Host(508, base), Host(512, base)}), titles);
        EXPECT_EQ(Host(514, base), RingPage().IncomingRadio(Ring::kSpeaker)->text());
        EXPECT_EQ(Host(516, base), RingPage().KeyPressRadio(Ring::kNone)->text());
        const QList<QLabel*> labels = PhonePage().findChildren<QLabel*>();
        for (unsigned id : {519u, 520u, 522u, 523u}) {
            EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                                    [&](QLabel* label) { return label->text() == Host(id, base); }))
                << langId << " " << id;
        }
    }
}

}  // namespace
}  // namespace consoletest
