// The engine's own behaviour: start-up, wake-up, idle light, device and softphone changes,
// forwarding to the host and shut-down.
#include <gtest/gtest.h>

#include "engine/tests/EngineFixture.h"

namespace enginetest {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

const std::vector<Command> kInitPhoneDefaults = {{8, 0}, {1, 1}, {3, 0}, {4, 1}, {5, 20}, {7, 0}};

class EngineCoreTest : public EngineFixture {};

TEST_F(EngineCoreTest, StartUpCreatesTheLinksAndPushesTheSettingsInOrder) {
    Start();
    EXPECT_EQ(engine->Handle(), links.hidOwner);
    EXPECT_EQ(engine->Handle(), links.skypeOwner);
    EXPECT_EQ(5001, links.requestedProductId);
    EXPECT_TRUE(links.launchSkype);
    EXPECT_TRUE(links.hid.autoOpen);
    EXPECT_FALSE(engine->IsVisible());
    EXPECT_EQ(host.Handle(), engine->Parent());

    std::vector<Command> expected = kInitPhoneDefaults;
    expected.push_back({2, 1});   // display light
    expected.push_back({12, 1});  // keypad light, posted to itself
    EXPECT_EQ(expected, HidCommands());
    EXPECT_GE(loop.Now(), milliseconds(10));  // the pause after the start-up notice

    const std::vector<std::string> skype = {"Set audio_out ", "Set audio_in ", "Set ringer "};
    EXPECT_EQ(skype, links.skype.sent);
}

TEST_F(EngineCoreTest, StartUpReadsProductIdAndAutoRunAndLeavesTheKeypadLightToACall) {
    dir.Write("KestrelCFG.ini",
              "[DeviceID]\npid=5002\n[AutoRun]\nAutoRunSkype=0\n[PhoneSet]\nHasCall=1\n");
    Start();
    EXPECT_EQ(5002, links.requestedProductId);
    EXPECT_FALSE(links.launchSkype);
    EXPECT_EQ(0u, CountOf({12, 1}));
    EXPECT_EQ(1u, CountOf({2, 1}));
}

TEST_F(EngineCoreTest, AKeyWhileTheSoftphoneIsAwayWakesTheHandsetButOnlyKeySixPasses) {
    links.skype.attached = false;
    Start();
    ScriptedMode& mode = AddMode("a");
    loop.AdvanceBy(seconds(25));  // the light went off
    HidCommands().clear();

    PressScan(7);
    EXPECT_EQ(1u, CountOf({2, 1}));
    EXPECT_EQ(1u, CountOf({12, 1}));
    EXPECT_TRUE(mode.keys.empty());
    EXPECT_EQ(0, engine->IdleTicks());

    PressScan(6);
    EXPECT_EQ(std::vector<std::uint8_t>{6}, mode.keys);
    // The timer runs again from the key: the light goes off 20 s later.
    loop.AdvanceBy(seconds(20));
    EXPECT_EQ(1u, CountOf({2, 0}));
}

TEST_F(EngineCoreTest, TwentySecondsWithoutKeysTurnTheLightOffExactlyOnce) {
    Start();
    HidCommands().clear();
    loop.AdvanceBy(seconds(19));
    EXPECT_EQ(0u, CountOf({2, 0}));
    loop.AdvanceBy(seconds(1));
    EXPECT_EQ(1u, CountOf({2, 0}));
    EXPECT_EQ(1u, CountOf({12, 0}));
    EXPECT_EQ(20, engine->IdleTicks());
    loop.AdvanceBy(seconds(60));
    EXPECT_EQ(1u, CountOf({2, 0}));

    PressScan(3);
    EXPECT_EQ(1u, CountOf({2, 1}));
    loop.AdvanceBy(seconds(19));
    EXPECT_EQ(1u, CountOf({2, 0}));
    loop.AdvanceBy(seconds(1));
    EXPECT_EQ(2u, CountOf({2, 0}));
}

TEST_F(EngineCoreTest, AVirtualKeyWakesAndIsDispatchedUntranslated) {
    dir.Write("KeyDefine.ini", "[KeyDef]\nkey3=9\n");
    Start();
    ScriptedMode& mode = AddMode("a");
    Post(Msg().virtualHidKey, 3, 0);
    PressScan(3);
    EXPECT_EQ((std::vector<std::uint8_t>{3, 9}), mode.keys);
}

TEST_F(EngineCoreTest, UnplugSendsKeySixFourTimesAndTellsTheHost) {
    Start();
    ScriptedMode& mode = AddMode("a");
    engine->Show(true);
    links.hid.present = false;
    Post(Msg().hidDeviceChange, 0, 0);

    EXPECT_EQ(std::vector<std::uint8_t>(4, 6), mode.keys);
    ASSERT_EQ(1u, host.Of(Msg().firmwareVersion).size());
    EXPECT_EQ(0u, host.Of(Msg().firmwareVersion)[0].wParam);
    EXPECT_EQ(0, host.Of(Msg().firmwareVersion)[0].lParam);
    EXPECT_EQ(1u, host.Of(Msg().audioDeviceChange).size());
    EXPECT_FALSE(engine->IsVisible());
    EXPECT_EQ(10, engine->IdleTicks());
    EXPECT_EQ(std::vector<bool>{false}, mode.hidOnlineCalls);
}

TEST_F(EngineCoreTest, ReplugAfterTheLightWentOffRelightsAndPushesTheSettings) {
    Start();
    ScriptedMode& mode = AddMode("a");
    loop.AdvanceBy(seconds(20));
    HidCommands().clear();
    Post(Msg().hidDeviceChange, 1, 0);

    std::vector<Command> expected = {{2, 1}};
    expected.insert(expected.end(), kInitPhoneDefaults.begin(), kInitPhoneDefaults.end());
    expected.push_back({12, 1});  // posted, so it comes after
    EXPECT_EQ(expected, HidCommands());
    EXPECT_EQ(0, engine->IdleTicks());
    EXPECT_EQ(std::vector<bool>{true}, mode.hidOnlineCalls);
    EXPECT_EQ(1u, host.Of(Msg().audioDeviceChange).size());
    loop.AdvanceBy(seconds(20));
    EXPECT_EQ(1u, CountOf({2, 0}));  // the timer was started again
}

TEST_F(EngineCoreTest, AHandsetBackWhileTheTimerIsStoppedGetsItsSettingsButNoLight) {
    Start();
    loop.AdvanceBy(seconds(20));
    Post(Msg().hidDeviceChange, 0, 0);  // idle ticks 10
    HidCommands().clear();
    Post(Msg().hidDeviceChange, 1, 0);
    EXPECT_EQ(kInitPhoneDefaults, HidCommands());
    EXPECT_EQ(0, engine->IdleTicks());
}

TEST_F(EngineCoreTest, UserStatusOfflineReturnsEveryModeToIdleAndBlocksKeys) {
    Start();
    ScriptedMode& mode = AddMode("a");
    SkypeSays("USERSTATUS OFFLINE");
    EXPECT_FALSE(engine->IsUserOnline());
    EXPECT_EQ(std::vector<std::uint8_t>(4, 6), mode.keys);
    EXPECT_EQ(std::vector<bool>{false}, mode.skypeOnlineCalls);
    ASSERT_EQ(1u, mode.texts.size());  // the modes see the text first

    PressScan(7);
    EXPECT_EQ(4u, mode.keys.size());

    SkypeSays("USERSTATUS DND");
    EXPECT_TRUE(engine->IsUserOnline());
    EXPECT_EQ((std::vector<bool>{false, true}), mode.skypeOnlineCalls);
    PressScan(7);
    EXPECT_EQ(7, mode.keys.back());

    SkypeSays("USERSTATUSOFFLINE");  // not a user status: no change
    EXPECT_TRUE(engine->IsUserOnline());
    EXPECT_EQ(2u, mode.skypeOnlineCalls.size());
}

TEST_F(EngineCoreTest, AttachSendsTheGreetingAndTheAudioSettingsAndTellsModesAndHost) {
    Start();
    ScriptedMode& mode = AddMode("a");
    links.skype.sent.clear();
    Post(Msg().skypeStatusChange, 1, 0);
    const std::vector<std::string> expected = {"Search friends", "protocol 5", "Set audio_out ",
                                               "Set audio_in ", "Set ringer "};
    EXPECT_EQ(expected, links.skype.sent);
    EXPECT_EQ(std::vector<bool>{true}, mode.skypeOnlineCalls);
    EXPECT_EQ(1u, host.Of(Msg().hidSkypeStatusChange).size());

    links.skype.sent.clear();
    Post(Msg().skypeStatusChange, 0, 0);
    EXPECT_TRUE(links.skype.sent.empty());
    EXPECT_EQ((std::vector<bool>{true, false}), mode.skypeOnlineCalls);
    EXPECT_EQ(2u, host.Of(Msg().hidSkypeStatusChange).size());
}

TEST_F(EngineCoreTest, FirmwareReportAndSettingChangeReachTheHostUnchanged) {
    Start();
    Post(Msg().hidDataReceived, 0x43132, 0x33343500);
    ASSERT_EQ(1u, host.Of(Msg().firmwareVersion).size());
    EXPECT_EQ(0x43132u, host.Of(Msg().firmwareVersion)[0].wParam);
    EXPECT_EQ(0x33343500, host.Of(Msg().firmwareVersion)[0].lParam);

    Post(Msg().settingChange, 1, 0);
    Post(Msg().settingChange, 0, 7);
    ASSERT_EQ(2u, host.Of(Msg().settingChange).size());
    EXPECT_EQ(1u, host.Of(Msg().settingChange)[0].wParam);
    EXPECT_EQ(7, host.Of(Msg().settingChange)[1].lParam);

    // A report of another type does nothing at all.
    const std::size_t before = host.log.size();
    HidCommands().clear();
    Post(Msg().hidDataReceived, 0x20700, 0);
    EXPECT_EQ(before, host.log.size());
    EXPECT_TRUE(HidCommands().empty());
}

TEST_F(EngineCoreTest, PostToAllModesFansOutWithWParamZero) {
    Start();
    ScriptedMode& a = AddMode("a");
    ScriptedMode& b = AddMode("b");
    Post(Msg().postMsgToAllMode, Msg().hasCallInNook, 42);
    for (ScriptedMode* mode : {&a, &b}) {
        ASSERT_EQ(1u, mode->posted.size());
        EXPECT_EQ(Msg().hasCallInNook, mode->posted[0].message);
        EXPECT_EQ(0u, mode->posted[0].wParam);
        EXPECT_EQ(42, mode->posted[0].lParam);
    }
}

TEST_F(EngineCoreTest, ScreensAndHandsetCommandsFromModesReachTheLink) {
    Start();
    LCDFrame frame{};
    frame[0] = 0x01;
    frame[1023] = 0x80;
    platform::SendMessage(engine->Handle(), Msg().requestDisplayLcd, 0,
                          reinterpret_cast<platform::LPARAM>(&frame));
    ASSERT_EQ(1u, links.hid.frames.size());
    EXPECT_EQ(frame, links.hid.frames[0]);
    EXPECT_EQ(frame, engine->CurrentLCDFrame());

    // Written without the presence test: the link itself refuses when the handset is away.
    links.hid.present = false;
    HidCommands().clear();
    Post(Msg().requestCmdToHid, 0x103, 0x1FF);
    EXPECT_EQ((std::vector<Command>{{3, 0xFF}}), HidCommands());
    EXPECT_FALSE(engine->SendCtrlCmdToDevice(2, 1));
    EXPECT_EQ(1u, HidCommands().size());
}

TEST_F(EngineCoreTest, CommandTextsFromModesAreBoundedAndTerminated) {
    Start();
    links.skype.sent.clear();
    char text[256] = "set call 12 status inprogress";
    platform::SendMessage(engine->Handle(), Msg().requestCmdToSkype, 0,
                          reinterpret_cast<platform::LPARAM>(text));
    ASSERT_EQ(1u, links.skype.sent.size());
    EXPECT_EQ("set call 12 status inprogress", links.skype.sent[0]);

    char unterminated[256];
    std::fill(std::begin(unterminated), std::end(unterminated), 'x');
    platform::SendMessage(engine->Handle(), Msg().requestCmdToSkype, 0,
                          reinterpret_cast<platform::LPARAM>(unterminated));
    EXPECT_EQ(1u, links.skype.sent.size());

    EXPECT_TRUE(engine->SendCmdToSkype(std::wstring(255, L'a')));
    EXPECT_FALSE(engine->SendCmdToSkype(std::wstring(256, L'a')));
    // Measured in UTF-8 bytes: 86 three-byte characters are 258 bytes.
    EXPECT_FALSE(engine->SendCmdToSkype(std::wstring(86, L'\u4F60')));
    EXPECT_EQ(2u, links.skype.sent.size());
    engine->SendCmdToSkype(L"\u4F60");
    EXPECT_EQ("\xE4\xBD\xA0", links.skype.sent.back());
}

TEST_F(EngineCoreTest, CloseSaysGoodbyeToTheHandsetAndClosesEverything) {
    Start();
    ScriptedMode& mode = AddMode("a");
    mode.ClaimKey(3);
    PressScan(3);
    ASSERT_TRUE(mode.IsActived());
    HidCommands().clear();
    const platform::TimePoint before = loop.Now();

    platform::SendMessage(engine->Handle(), platform::WM_CLOSE, 0, 0);
    const std::vector<Command> expected = {{10, 0}, {2, 0}, {4, 0}, {3, 0}, {12, 0}};
    EXPECT_EQ(expected, links.hid.commands);
    EXPECT_TRUE(links.hid.closed);
    EXPECT_TRUE(links.skype.closed);
    EXPECT_FALSE(mode.IsActived());
    EXPECT_TRUE(engine->Modes().empty());
    EXPECT_EQ(nullptr, engine->GetCurrentActivedMode());
    EXPECT_GE(loop.Now() - before, milliseconds(50));
    EXPECT_FALSE(engine->IsAlive());
}

TEST_F(EngineCoreTest, CloseWithoutAHandsetSendsNothing) {
    links.hid.present = false;
    Start();
    HidCommands().clear();
    platform::SendMessage(engine->Handle(), platform::WM_CLOSE, 0, 0);
    EXPECT_TRUE(links.hid.commands.empty());
}

}  // namespace
}  // namespace enginetest
