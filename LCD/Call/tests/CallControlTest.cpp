// Handling calls from the handset: the keys by call state, the timers on the manual clock, and
// the messages of the mode's window, through the real engine and the simulator's call model.
#include <algorithm>
#include <fstream>

#include "LCD/Call/tests/CallEngineFixture.h"
#include "platform/keys/Keystrokes.h"
#include "platform/profile/Profile.h"

namespace {

using phone_client_sim::CallModel;
using std::chrono::milliseconds;
using Strings = std::vector<std::string>;

// Scan codes of the sample KeyDefine.ini: 1..25 are the logical keys 1..25, scan code 36 is 43.
constexpr std::uint8_t kPrevious = 2;
constexpr std::uint8_t kAnswerHold = 4;
constexpr std::uint8_t kNext = 5;
constexpr std::uint8_t kHangUp = 6;
constexpr std::uint8_t kMute = 25;
constexpr std::uint8_t kHoldScan = 36;  // logical 43

class CallControlTest : public CallEngineFixture {
  public:
    explicit CallControlTest(const std::string& settings = "bell=3\n")
        : CallEngineFixture(settings) {}

    void Ring(phone_client_sim::CallId id) {
        ASSERT_TRUE(model.IncomingCall(id, "caller" + std::to_string(id), "", false).Ok());
        Deliver();
    }
    void Talk(phone_client_sim::CallId id) {
        Ring(id);
        ASSERT_TRUE(model.SetInProgress(id).Ok());
        Deliver();
    }
    std::string Status(phone_client_sim::CallId id) const {
        const auto call = model.Find(id);
        return call ? std::string(phone_client_sim::ToString(call->status)) : "none";
    }
    std::string Setting(const wchar_t* key) const {
        return platform::ToUtf8(platform::GetPrivateProfileString(L"PhoneSet", key, L"-",
                                                                  dir.Path() / "KestrelCFG.ini"));
    }
};

// Every "ID" in `texts` replaced by `id`.
Strings WithId(Strings texts, phone_client_sim::CallId id) {
    for (std::string& text : texts) {
        for (std::size_t at = text.find("ID"); at != std::string::npos; at = text.find("ID", at)) {
            text.replace(at, 2, std::to_string(id));
        }
    }
    return texts;
}

TEST_F(CallControlTest, EachKeyAsksTheSoftphoneWhatTheCallsStateAllows) {
    using Id = phone_client_sim::CallId;
    struct Case {
        const char* what;
        std::function<void(CallControlTest&, Id)> setUp;
        std::uint8_t scanCode;
        Strings commands;  // "ID" stands for the call's id
        const char* statusAfter;
    };
    const auto ring = [](CallControlTest& t, Id id) { t.Ring(id); };
    const auto talk = [](CallControlTest& t, Id id) { t.Talk(id); };
    const Case cases[] = {
        {"4 answers a ringing incoming call",
         ring,
         kAnswerHold,
         {"set call ID status inprogress"},
         "INPROGRESS"},
        {"4 leaves a ringing outgoing call alone",
         [](CallControlTest& t, Id id) {
             ASSERT_TRUE(t.model.OutgoingCall(id, "bob", "Bob", false).Ok());
             ASSERT_TRUE(t.model.RemoteRing(id).Ok());
             t.Deliver();
         },
         kAnswerHold,
         {},
         "RINGING"},
        {"43 is swallowed while a call rings", ring, kHoldScan, {}, "RINGING"},
        {"6 refuses a ringing call",
         ring,
         kHangUp,
         {"set call ID status finished", "get call ID status"},
         "REFUSED"},
        {"4 holds a call in progress",
         talk,
         kAnswerHold,
         {"set call ID status onhold"},
         "LOCALHOLD"},
        {"43 resumes a held call",
         [](CallControlTest& t, Id id) {
             t.Talk(id);
             ASSERT_TRUE(t.model.SetOnHold(id).Ok());
             t.Deliver();
         },
         kHoldScan,
         {"set call ID status inprogress"},
         "INPROGRESS"},
        {"4 leaves a call the far end holds alone",
         [](CallControlTest& t, Id id) {
             t.Talk(id);
             ASSERT_TRUE(t.model.RemoteHold(id).Ok());
             t.Deliver();
         },
         kAnswerHold,
         {},
         "REMOTEHOLD"},
        {"6 hangs up a call in progress",
         talk,
         kHangUp,
         {"set call ID status finished", "get call ID status"},
         "FINISHED"},
        {"5 with one call changes nothing", talk, kNext, {}, "INPROGRESS"},
        {"25 with synchronisation off does nothing", talk, kMute, {}, "INPROGRESS"},
    };
    Id id = 100;
    for (const Case& c : cases) {
        ++id;
        c.setUp(*this, id);
        NewCommands();
        Press(c.scanCode);
        EXPECT_EQ(WithId(c.commands, id), NewCommands()) << c.what;
        EXPECT_EQ(c.statusAfter, Status(id)) << c.what;
        // The next case starts from an idle phone.
        model.HangUpAll();
        Deliver();
        Press(kHangUp);  // dismisses an end screen
        mode.m_endKind = CCallMode::kNoEnd;
        ASSERT_TRUE(mode.m_calls.empty()) << c.what;
    }
}

TEST_F(CallControlTest, SelectionWrapsAndAJoinNamesTheSelectedCallFirst) {
    Talk(31);
    Talk(32);
    Talk(33);
    ASSERT_EQ(2, mode.m_curCall);
    Press(kNext);
    EXPECT_EQ(0, mode.m_curCall);
    Press(kPrevious);
    EXPECT_EQ(2, mode.m_curCall);

    // The conference key is a virtual key: no handset key sends it in the sample key table.
    const auto conference = [&] {
        platform::PostMessage(engine->Handle(), RegisteredMessages::Get().virtualHidKey, 36, 0);
        loop.ProcessReady();
        Deliver();
    };
    ASSERT_TRUE(model.SetOnHold(31).Ok());
    ASSERT_TRUE(model.SetOnHold(32).Ok());
    Deliver();
    NewCommands();
    conference();
    EXPECT_EQ(Strings{}, NewCommands());  // every other call is held
    ASSERT_TRUE(model.SetInProgress(32).Ok());
    Deliver();
    NewCommands();
    conference();
    // One join, naming the selected call first; the conference's news follow.
    const Strings sent = NewCommands();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ("set call 33 join_conference 32", sent.front());
    EXPECT_EQ(1, std::count_if(sent.begin(), sent.end(), [](const std::string& command) {
                  return command.find("join_conference") != std::string::npos;
              }));
}

class CallSyncTest : public CallControlTest {
  public:
    CallSyncTest() : CallControlTest("sync=1\nmic=0\n") {}
};

TEST_F(CallSyncTest, TheMuteKeyMutesTheSoftphoneAndTheHandsetAndTellsTheHost) {
    Talk(41);
    NewCommands();
    links.hid.commands.clear();
    host.log.clear();
    Press(kMute);
    EXPECT_EQ((Strings{"Set mute on", "Protocol 1 ", "focus", "BTN_PRESSED", "focus", "BTN_PRESSED",
                       "focus", "BTN_PRESSED"}),
              NewCommands());
    EXPECT_NE(
        links.hid.commands.end(),
        std::find(links.hid.commands.begin(), links.hid.commands.end(), enginetest::Command(4, 1)));
    EXPECT_EQ("1", Setting(L"mic"));
    Press(kMute);
    EXPECT_EQ("Set mute off", NewCommands().front());
    EXPECT_EQ("0", Setting(L"mic"));
}

TEST_F(CallControlTest, TheEndScreenLastsSixPollTicksThenTheHandsetIsGivenBack) {
    Talk(51);
    ASSERT_TRUE(model.RemoteHangup(51).Ok());
    Deliver();
    ASSERT_EQ(CCallMode::kEndFinished, mode.m_endKind);
    other.keys.clear();
    Wait(milliseconds(5000));
    EXPECT_EQ(CCallMode::kEndFinished, mode.m_endKind);
    EXPECT_TRUE(other.keys.empty());
    Wait(milliseconds(1000));
    EXPECT_EQ(CCallMode::kNoEnd, mode.m_endKind);
    EXPECT_EQ(std::vector<std::uint8_t>{6}, other.keys);  // once, offered on to the other mode
    Wait(milliseconds(3000));
    EXPECT_EQ(std::vector<std::uint8_t>{6}, other.keys);
}

TEST_F(CallControlTest, TimersPollTheCallsAndFollowTheTable) {
    dir.Write("KestrelCFG.ini", "[PhoneSet]\nlang=1033\npbsnd=2\n");
    Talk(61);
    NewCommands();
    links.hid.commands.clear();
    Wait(milliseconds(1000));
    EXPECT_EQ(Strings{"get call 61 status"}, NewCommands());
    EXPECT_EQ("1", Setting(L"HasCall"));
    // The key sound went off with the call, and the keypad light is kept on.
    const auto sent = [&](enginetest::Command c) {
        return std::count(links.hid.commands.begin(), links.hid.commands.end(), c);
    };
    EXPECT_EQ(1, sent({12, 1}));
    ASSERT_TRUE(model.RemoteHangup(61).Ok());
    Deliver();
    links.hid.commands.clear();
    Wait(milliseconds(1000));
    EXPECT_EQ(1, sent({1, 2}));  // [PhoneSet] pbsnd back once the last call went
    EXPECT_EQ("0", Setting(L"HasCall"));
    EXPECT_EQ("1", Setting(L"lightcurrent"));

    // Muted and idle: the keypad light blinks at half a hertz.
    platform::WritePrivateProfileString(L"PhoneSet", L"mic", L"1", dir.Path() / "KestrelCFG.ini");
    links.hid.commands.clear();
    Wait(milliseconds(4000));
    EXPECT_EQ(2, sent({12, 0}));
    EXPECT_EQ(2, sent({12, 1}));
}

TEST_F(CallControlTest, DialTonesBecomeKeystrokesForACallInProgress) {
    platform::RecordingKeystrokes keystrokes;
    platform::KeystrokeBackend* before = platform::SetKeystrokeBackend(&keystrokes);
    const auto dialTone = [&](platform::LPARAM code) {
        platform::PostMessage(mode.Handle(), RegisteredMessages::Get().callOutNul, 0, code);
        loop.ProcessReady();
    };
    Ring(71);
    dialTone(16);
    EXPECT_TRUE(keystrokes.events.empty());  // no call in progress
    ASSERT_TRUE(model.SetInProgress(71).Ok());
    Deliver();
    const platform::TimePoint sentAt = loop.Now();
    dialTone(16);
    EXPECT_EQ(milliseconds(100), loop.Now() - sentAt);
    constexpr std::uint32_t kDown = platform::KEYEVENTF_EXTENDEDKEY;
    constexpr std::uint32_t kUp = platform::KEYEVENTF_EXTENDEDKEY | platform::KEYEVENTF_KEYUP;
    EXPECT_EQ((std::vector<platform::KeyEvent>{
                  {0xA0, 0x45, kDown}, {0x38, 0x45, kDown}, {0x38, 0x45, kUp}, {0xA0, 0x45, kUp}}),
              keystrokes.events);
    keystrokes.events.clear();
    dialTone(19);
    dialTone(6);
    EXPECT_TRUE(keystrokes.events.empty());
    dialTone(0x100 | 7);  // only the low byte counts: the digit 1
    EXPECT_EQ((std::vector<platform::KeyEvent>{{'1', 0x45, kDown}, {'1', 0x45, kUp}}),
              keystrokes.events);

    // "Hold every call" holds each call past its set-up.
    NewCommands();
    platform::PostMessage(mode.Handle(), RegisteredMessages::Get().callHold, 0, 0);
    loop.ProcessReady();
    EXPECT_EQ(Strings{"set call 71 status onhold"}, NewCommands());
    platform::SetKeystrokeBackend(before);
}

}  // namespace
