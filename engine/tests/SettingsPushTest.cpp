// The stored settings pushed to the handset and the softphone.
#include <gtest/gtest.h>

#include "engine/tests/EngineFixture.h"

namespace enginetest {
namespace {

class SettingsPushTest : public EngineFixture {
  protected:
    std::vector<std::string> InitSkypeCommands() {
        links.skype.sent.clear();
        engine->InitSkype();
        return links.skype.sent;
    }
    std::string Path(const char* name) { return (dir.Path() / name).string(); }
};

TEST_F(SettingsPushTest, InitPhoneSendsTheStoredHandsetSettings) {
    dir.Write("KestrelCFG.ini", "[PhoneSet]\npbsnd=2\nmic=0\ncontrast=33\nsndout=1\n");
    Start();
    HidCommands().clear();
    engine->InitPhone();
    const std::vector<Command> expected = {{8, 0}, {1, 2}, {3, 0}, {4, 0}, {5, 33}, {7, 1}};
    EXPECT_EQ(expected, HidCommands());
}

TEST_F(SettingsPushTest, InitPhoneWithoutAHandsetSendsNothing) {
    links.hid.present = false;
    Start();
    // Only the keypad light goes out unchecked: the link itself drops it.
    EXPECT_EQ((std::vector<Command>{{12, 1}}), HidCommands());
}

TEST_F(SettingsPushTest, AudioDevicesAreSentByNameAndTheDefaultDeviceAsEmpty) {
    dir.Write("KestrelCFG.ini",
              "[MultiMedia]\naudioout=USB Handset\naudioin=Windows Default Device\n"
              "ringer=Speakers \xE4\xBD\xA0\n");
    Start();
    const std::vector<std::string> expected = {"Set audio_out USB Handset", "Set audio_in ",
                                               "Set ringer Speakers \xE4\xBD\xA0"};
    EXPECT_EQ(expected, InitSkypeCommands());
}

TEST_F(SettingsPushTest, BellOneSendsTheRingToneFileWithDefaultWavInTheStartDirectory) {
    dir.Write("KestrelCFG.ini", "[PhoneSet]\nbell=1\n[MultiMedia]\nRingerFile=DEFAULT.WAV\n");
    Start();
    std::vector<std::string> sent = InitSkypeCommands();
    ASSERT_EQ(4u, sent.size());
    EXPECT_EQ("set ringtone 1 " + Path("default.wav"), sent[3]);

    dir.Write("KestrelCFG.ini", "[PhoneSet]\nbell=1\n[MultiMedia]\nRingerFile=/music/ring.wav\n");
    sent = InitSkypeCommands();
    ASSERT_EQ(4u, sent.size());
    EXPECT_EQ("set ringtone 1 /music/ring.wav", sent[3]);
}

TEST_F(SettingsPushTest, EveryOtherBellMutesTheSoftphonesRingTone) {
    for (const char* bell : {"0", "2", "9"}) {
        dir.Write("KestrelCFG.ini",
                  std::string("[PhoneSet]\nbell=") + bell + "\n[MultiMedia]\nRingerFile=x.wav\n");
        if (!engine) {
            Start();
        }
        std::vector<std::string> sent = InitSkypeCommands();
        ASSERT_EQ(4u, sent.size()) << bell;
        EXPECT_EQ("set ringtone 1 " + Path("mute.wav"), sent[3]) << bell;
    }
}

TEST_F(SettingsPushTest, AClientAttachingTwiceGetsTheSettingsTwice) {
    Start();
    links.skype.sent.clear();
    Post(Msg().skypeStatusChange, 1, 0);
    Post(Msg().skypeStatusChange, 1, 0);
    EXPECT_EQ(2, std::count(links.skype.sent.begin(), links.skype.sent.end(), "Set ringer "));
}

TEST_F(SettingsPushTest, TheFileIsReadAfreshAtEveryPush) {
    Start();
    HidCommands().clear();
    dir.Write("KestrelCFG.ini", "[phoneset]\nCONTRAST=40\n");
    engine->InitPhone();
    EXPECT_EQ(1u, CountOf({5, 40}));
}

}  // namespace
}  // namespace enginetest
