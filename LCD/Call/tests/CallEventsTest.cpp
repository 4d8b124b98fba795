// The call table as the softphone's notifications drive it: new calls and their queries, states,
// conferences, the end of calls, the ringer, known calls, error replies and nested notifications.
#include <string>
#include <vector>

#include "LCD/Call/tests/CallModeFixture.h"

namespace {

using Strings = std::vector<std::string>;

Strings Queries(const std::string& id) {
    return {"get call " + id + " partner_handle", "get call " + id + " partner_dispname",
            "get call " + id + " type"};
}

Strings Join(Strings first, const Strings& then) {
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

TEST_F(CallModeTest, ARealisticDayOfNotificationsKeepsTheTable) {
    WriteSettings("bell=3\nsync=1\nmic=0\nsndout=0\n");
    struct Step {
        const char* text;
        bool result;
        const char* table;  // after the step
        Strings commands;   // sent during the step
        Strings hid;        // control commands posted during the step
    };
    const Step steps[] = {
        {"CALL 5 STATUS RINGING", true, "5 - - 2 1 -\n", Queries("5"), {"3/2"}},
        {"CALL 5 PARTNER_HANDLE alice", false, "5 alice - 2 1 -\n", {}, {}},
        {"CALL 5 PARTNER_DISPNAME ", false, "5 alice alice 2 1 -\n", {}, {}},
        {"CALL 5 TYPE INCOMING_P2P", false, "5 alice alice 2 1 -\n", {}, {}},
        {"CALL 5 TYPE SOMETHING_NEW", false, "5 alice alice 2 1 -\n", {}, {}},
        {"CALL 5 STATUS INPROGRESS",
         true,
         "5 alice alice 2 2 -\n",
         {"Set mute off"},
         {"3/0", "7/0"}},
        {"CALL 5 DURATION 12s", true, "5 alice alice 2 2 -\n", {}, {}},
        // Dialled while call 5 talks: joined with it at once.
        {"CALL 9 STATUS ROUTING",
         true,
         "5 alice alice 2 2 -\n9 - - 3 0 -\n",
         Join(Queries("9"), {"set call 9 join_conference 5"}),
         {}},
        {"CALL 9 STATUS ROUTING", false, "5 alice alice 2 2 -\n9 - - 3 0 -\n", {}, {}},
        {"CALL 9 PARTNER_HANDLE +4930123",
         false,
         "5 alice alice 2 2 -\n9 +4930123 - 3 0 -\n",
         {},
         {}},
        {"CALL 9 PARTNER_DISPNAME   Bob",
         false,
         "5 alice alice 2 2 -\n9 +4930123 Bob 3 0 -\n",
         {},
         {}},
        {"CALL 9 TYPE OUTGOING_PSTN", false, "5 alice alice 2 2 -\n9 +4930123 Bob 1 0 -\n", {}, {}},
        {"CALL 9 STATUS BUSY", false, "5 alice alice 2 2 -\n9 +4930123 Bob 1 0 -\n", {}, {}},
        {"CALL 5 CONF_ID 77", true, "5 alice alice 2 2 77\n9 +4930123 Bob 1 0 -\n", {}, {}},
        {"CALL 5 CONF_PARTICIPANTS_COUNT 3",
         true,
         "5 alice alice 2 2 77\n9 +4930123 Bob 1 0 -\n",
         {"get call 5 conf_participant 1", "get call 5 conf_participant 2"},
         {}},
        {"CALL 5 CONF_PARTICIPANT 1 carol INCOMING_P2P INPROGRESS Carol Smith",
         false,
         "5 alice alice 2 2 77\n9 +4930123 Bob 1 0 -\n- carol Carol Smith 2 2 5\n",
         {},
         {}},
        {"CALL 5 CONF_PARTICIPANT 1 carol INCOMING_P2P ONHOLD Carol Smith",
         false,
         "5 alice alice 2 2 77\n9 +4930123 Bob 1 0 -\n- carol Carol Smith 2 3 5\n",
         {},
         {}},
        {"CALL 5 CONF_PARTICIPANT 2 dave OUTGOING_P2P",
         false,
         "5 alice alice 2 2 77\n9 +4930123 Bob 1 0 -\n- carol Carol Smith 2 3 5\n",
         {},
         {}},
        // A substring of the word decides: VM_CANCELLED is a cancellation.
        {"CALL 9 STATUS VM_CANCELLED",
         true,
         "5 alice alice 2 2 77\n- carol Carol Smith 2 3 5\n",
         {},
         {"3/0", "7/0"}},
        {"CALL 5 STATUS FINISHED", false, "", {}, {"3/0", "7/0"}},
        {"CALL 5 STATUS FINISHED", false, "", {}, {"3/0", "7/0"}},  // not in the table: ringer
    };
    for (const Step& step : steps) {
        EXPECT_EQ(step.result, Say(step.text)) << step.text;
        EXPECT_EQ(step.table, Table()) << step.text;
        EXPECT_EQ(step.commands, engine.TakeCommands()) << step.text;
        EXPECT_EQ(step.hid, engine.TakeHid()) << step.text;
        if (std::string(step.text) == "CALL 5 DURATION 12s") {
            EXPECT_EQ(12, mode.m_calls[0].Duration);
            ASSERT_TRUE(mode.m_calls[0].StartTime.has_value());
        }
    }
    EXPECT_EQ(CCallMode::kEndFinished, mode.m_endKind);
    EXPECT_EQ(L"alice", mode.m_endName);
    EXPECT_EQ(-1, mode.m_curCall);
    EXPECT_TRUE(mode.m_pendingCallID.empty());  // the notification about call 9 cleared it
}

TEST_F(CallModeTest, TheRingerFollowsTheBellAndStaysSilentWhenItShould) {
    struct Case {
        const char* settings;
        const char* before;  // a notification first
        int handsFree;
        Strings hid;
        Strings settingChanges;
    };
    const Case cases[] = {
        {"", "", 0, {"3/1"}, {"1,0"}},  // bell 2 when missing: the first melody
        {"bell=9\n", "", 0, {"3/8"}, {"1,0"}},
        {"bell=1\n", "", 0, {"3/0", "7/1"}, {"1,0"}},  // the softphone's ring tone, on the speaker
        {"bell=1\n", "", 1, {"3/0"}, {"1,0"}},
        {"bell=0\n", "", 0, {"3/0"}, {"1,0"}},
        {"bell=10\n", "", 0, {}, {"1,0"}},
        {"bell=4\n", "USERSTATUS DND", 0, {}, {}},
    };
    for (const Case& c : cases) {
        WriteSettings(c.settings);
        mode.SetSkypeOnline(true);
        mode.m_userStatus = 0;
        mode.m_handsFree = c.handsFree;
        engine.settings.clear();
        Say(c.before);
        engine.TakeHid();
        engine.settings.clear();
        Say("CALL 2 STATUS RINGING");
        EXPECT_EQ(c.hid, engine.TakeHid()) << c.settings << c.before;
        EXPECT_EQ(c.settingChanges, engine.settings) << c.settings << c.before;
    }
    // A second call rings only on the screen.
    Say("CALL 3 STATUS RINGING");
    EXPECT_EQ(Strings{}, engine.TakeHid());
    // Answering stops the ringer and gives the sound back to [PhoneSet] sndout (1 when missing).
    engine.settings.clear();
    Say("CALL 3 STATUS INPROGRESS");
    EXPECT_EQ((Strings{"3/0", "7/1"}), engine.TakeHid());
    EXPECT_EQ(Strings{"1,1"}, engine.settings);
}

TEST_F(CallModeTest, EachEndOfCallLeavesItsScreenAndGivesTheHandsetBackWhenItShould) {
    struct Case {
        const char* start;  // the status that made the call: ROUTING is dialled here
        const char* end;
        bool result;
        int endKind;
        bool givesBack;
    };
    const Case cases[] = {
        {"ROUTING", "REFUSED", true, CCallMode::kEndRefused, false},
        {"RINGING", "REFUSED", true, CCallMode::kNoEnd, true},
        {"RINGING", "MISSED", false, CCallMode::kEndMissedIncoming, false},
        {"ROUTING", "MISSED", false, CCallMode::kEndMissedOutgoing, false},
        {"RINGING", "FINISHED", false, CCallMode::kEndFinished, false},
        {"ROUTING", "FAILED", false, CCallMode::kEndFailed, false},
        {"ROUTING", "VM_FAILED", false, CCallMode::kEndFailed, false},
        {"RINGING", "FAILED", false, CCallMode::kNoEnd, true},
        {"RINGING", "CANCELLED", true, CCallMode::kNoEnd, true},
        {"ROUTING", "VM_SENT", false, CCallMode::kNoEnd, true},
    };
    for (const Case& c : cases) {
        mode.SetSkypeOnline(true);
        mode.m_endKind = CCallMode::kNoEnd;
        mode.m_endName.clear();
        Say(std::string("CALL 4 STATUS ") + c.start);
        Say("CALL 4 PARTNER_DISPNAME Alice");
        engine.keys.clear();
        const std::string what = std::string(c.start) + " then " + c.end;
        EXPECT_EQ(c.result, Say(std::string("CALL 4 STATUS ") + c.end)) << what;
        EXPECT_EQ("", Table()) << what;
        EXPECT_EQ(-1, mode.m_curCall) << what;
        EXPECT_EQ(c.endKind, mode.m_endKind) << what;
        EXPECT_EQ(c.endKind != CCallMode::kNoEnd ? L"Alice" : L"", mode.m_endName) << what;
        EXPECT_EQ(c.givesBack ? std::vector<int>{6} : std::vector<int>{}, engine.keys) << what;
    }
}

TEST_F(CallModeTest, RemovingARecordKeepsTheSelectionOnARecord) {
    struct Case {
        int records;
        int selected;
        int removed;
        int selectedAfter;
    };
    const Case cases[] = {
        {3, 2, 2, 1},   // the selected last record: the new last one
        {3, 2, 0, 1},   // one before the selection: the same call
        {3, 0, 2, 0},   // one after it: unchanged
        {3, 1, 1, 1},   // the selected one in the middle: the next call
        {1, 0, 0, -1},  // the only one
        {2, 1, 5, 1},   // outside the table: nothing
    };
    for (const Case& c : cases) {
        mode.SetSkypeOnline(true);
        for (int i = 0; i < c.records; ++i) {
            Say("CALL " + std::to_string(10 + i) + " STATUS RINGING");
        }
        mode.m_curCall = c.selected;
        const std::wstring kept = c.selectedAfter >= 0 && c.selected != c.removed
                                      ? mode.m_calls[static_cast<std::size_t>(c.selected)].CallID
                                      : L"";
        mode.RemoveCallAt(c.removed);
        EXPECT_EQ(c.selectedAfter, mode.m_curCall) << c.records << " " << c.removed;
        if (!kept.empty() && c.removed < c.records) {
            EXPECT_EQ(kept, mode.m_calls[static_cast<std::size_t>(mode.m_curCall)].CallID);
        }
    }
}

TEST_F(CallModeTest, KnownCallsAreIgnoredAndGoingOnlineEmptiesTheTable) {
    EXPECT_FALSE(Say("CALLS 10, 11, 12"));
    EXPECT_FALSE(Say("CALLS 12, 10"));
    EXPECT_EQ((std::vector<std::wstring>{L"10", L"11", L"12"}), mode.m_knownCalls);
    EXPECT_TRUE(Say("CALL 11 STATUS RINGING"));
    EXPECT_EQ("", Table());
    EXPECT_EQ(Strings{}, engine.TakeCommands());

    // A call the table tracks is not made known by a list that names it: its end is seen.
    Say("CALL 20 STATUS RINGING");
    Say("CALLS 20, 13");
    EXPECT_EQ((std::vector<std::wstring>{L"10", L"11", L"12", L"13"}), mode.m_knownCalls);
    Say("CALL 20 STATUS FINISHED");
    EXPECT_EQ("", Table());

    // The engine follows every user status with SetSkypeOnline: live calls vanish.
    EXPECT_FALSE(Say("USERSTATUS ONLINE"));
    EXPECT_EQ(1, mode.m_userStatus);
    mode.SetSkypeOnline(true);
    EXPECT_EQ("", Table());
    EXPECT_EQ(-1, mode.m_curCall);
    EXPECT_TRUE(mode.m_knownCalls.empty());
}

TEST_F(CallModeTest, OnlyAFocusChangeDuringCallSetUpIsSwallowed) {
    EXPECT_FALSE(Say("CONTACTS FOCUSED alice"));
    Say("CALL 5 STATUS RINGING");
    EXPECT_TRUE(Say("CONTACTS FOCUSED alice"));
    Say("CALL 5 STATUS INPROGRESS");
    EXPECT_FALSE(Say("CONTACTS FOCUSED alice"));
}

TEST_F(CallModeTest, AnErrorReplyRemovesThePendingCallOnly) {
    Say("CALL 5 STATUS RINGING");
    Say("CALL 5 STATUS INPROGRESS");
    Say("CALL 9 STATUS ROUTING");  // joined: call 9 is pending
    ASSERT_EQ(L"9", mode.m_pendingCallID);
    EXPECT_FALSE(Say("ERROR 7 GET: invalid WHAT"));  // not a call-control error
    EXPECT_EQ(L"9", mode.m_pendingCallID);
    EXPECT_FALSE(Say("ERROR 24 Cannot join"));
    EXPECT_EQ("5 - - 2 2 -\n", Table());
    EXPECT_EQ(0, mode.m_curCall);
    EXPECT_TRUE(mode.m_pendingCallID.empty());
    EXPECT_TRUE(engine.keys.empty());

    mode.m_pendingCallID = L"5";
    EXPECT_FALSE(Say("ERROR 19 Invalid call id"));
    EXPECT_EQ("", Table());
    EXPECT_EQ(std::vector<int>{6}, engine.keys);  // active, and nothing left
}

TEST_F(CallModeTest, NestedNotificationsReachTheRecordTheyName) {
    WriteSettings("sync=1\nmic=1\n");
    // The softphone answers every query before the send returns.
    engine.onCommand = [&](const std::string& command) {
        if (command == "get call 5 partner_handle") {
            Say("CALL 5 PARTNER_HANDLE alice");
        } else if (command == "get call 5 partner_dispname") {
            Say("CALL 5 PARTNER_DISPNAME Alice");
        } else if (command == "Set mute on") {
            Say("CALL 5 CONF_ID 3");
        }
    };
    EXPECT_TRUE(Say("CALL 5 STATUS RINGING"));
    EXPECT_EQ("5 alice Alice 2 1 -\n", Table());
    EXPECT_TRUE(Say("CALL 5 STATUS INPROGRESS"));
    EXPECT_EQ("5 alice Alice 2 2 3\n", Table());  // the nested CONF_ID is kept

    // The call ends inside the mute command: nothing is stored, nothing read outside the table.
    engine.onCommand = [&](const std::string& command) {
        if (command == "Set mute on") {
            Say("CALL 5 STATUS FINISHED");
        }
    };
    mode.m_calls[0].CallState = CS_RINGING;
    EXPECT_TRUE(Say("CALL 5 STATUS INPROGRESS"));
    EXPECT_EQ("", Table());
    EXPECT_EQ(-1, mode.m_curCall);
}

TEST_F(CallModeTest, AConferenceCountAsksForAtMostAHundredParticipants) {
    Say("CALL 5 STATUS RINGING");
    engine.TakeCommands();
    EXPECT_TRUE(Say("CALL 5 CONF_PARTICIPANTS_COUNT 99999999999999999999999"));
    EXPECT_EQ(CCallMode::kMaxConfParticipants - 1, engine.TakeCommands().size());
    EXPECT_TRUE(Say("CALL 5 CONF_PARTICIPANTS_COUNT 1"));
    EXPECT_TRUE(Say("CALL 5 CONF_PARTICIPANTS_COUNT x"));
    EXPECT_EQ(Strings{}, engine.TakeCommands());
}

}  // namespace
