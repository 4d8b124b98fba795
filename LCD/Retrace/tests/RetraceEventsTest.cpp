// The history's lists from the softphone's notifications and list replies, the queries its
// timers send, and the count of missed calls not yet seen.
#include <string>
#include <vector>

#include "LCD/Retrace/tests/RetraceModeFixture.h"

namespace {

using std::chrono::milliseconds;
using Commands = std::vector<std::string>;

// 2026-12-09 08:05:03 UTC, 16:05:03 in the test's zone.
constexpr const char* kTimestamp = "1796803503";

TEST_F(RetraceModeTest, EachNotificationChangesWhatItsRuleSays) {
    Say("CALL 17 STATUS RINGING");
    ASSERT_EQ(1u, mode.m_newCalls.size());
    const std::string created = Dump(mode.m_newCalls[0]).substr(0, 12);  // before the time
    EXPECT_EQ("17 0 \" \" \" \"", created);
    mode.m_newCalls[0].time = {2000, 1, 6, 1, 0, 0, 0, 0};
    struct Case {
        std::string text;
        std::string entry;  // 17 after the text
    };
    const Case cases[] = {
        {"CALL 17 PARTNER_HANDLE bob", "17 0 \" bob\" \" \" 2000-01-01 00:00:00 0 -1"},
        {"CALL 17 PARTNER_DISPNAME  Bob Smith",
         "17 0 \" bob\" \"  Bob Smith\" 2000-01-01 00:00:00 0 -1"},
        {"CALL 17 STATUS FINISHED", "17 0 \" bob\" \"  Bob Smith\" 2000-01-01 00:00:00 0 1"},
        {"CALL 17 STATUS EARLYMEDIA", "17 0 \" bob\" \"  Bob Smith\" 2000-01-01 00:00:00 0 1"},
        {"CALL 17 TYPE OUTGOING_PSTN", "17 1 \" bob\" \"  Bob Smith\" 2000-01-01 00:00:00 0 1"},
        {"CALL 17 TYPE INCOMING_P2P", "17 0 \" bob\" \"  Bob Smith\" 2000-01-01 00:00:00 0 1"},
        {"CALL 17 SEEN TRUE", "17 0 \" bob\" \"  Bob Smith\" 2000-01-01 00:00:00 1 1"},
        {"CALL 17 SEEN FALSE", "17 0 \" bob\" \"  Bob Smith\" 2000-01-01 00:00:00 0 1"},
        {"CALL 17 CONF_ID 0", "17 0 \" bob\" \"  Bob Smith\" 2000-01-01 00:00:00 0 1"},
        // CONF_ID wins over every other word of the text.
        {"CALL 17 CONF_ID 0 STATUS MISSED",
         "17 0 \" bob\" \"  Bob Smith\" 2000-01-01 00:00:00 0 1"},
        {std::string("CALL 17 TIMESTAMP ") + kTimestamp,
         "17 0 \" bob\" \"  Bob Smith\" 2026-12-09 16:05:03 0 1"},
        {"CALL 17 TIMESTAMP 99999999999", "17 0 \" bob\" \"  Bob Smith\" 2026-12-09 16:05:03 0 1"},
        {"CALL 17 STATUS   MISSED  ", "17 0 \" bob\" \"  Bob Smith\" 2026-12-09 16:05:03 0 2"},
        // A known id's second RINGING adds nothing.
        {"CALL 17 STATUS RINGING", "17 0 \" bob\" \"  Bob Smith\" 2026-12-09 16:05:03 0 2"},
        // About another call, which the lists do not hold: nothing changes, nothing is asked.
        {"CALL 99 SEEN TRUE", "17 0 \" bob\" \"  Bob Smith\" 2026-12-09 16:05:03 0 2"},
        {"CALL 99 STATUS FINISHED", "17 0 \" bob\" \"  Bob Smith\" 2026-12-09 16:05:03 0 2"},
        {"CALL 17", "17 0 \" bob\" \"  Bob Smith\" 2026-12-09 16:05:03 0 2"},
    };
    engine.TakeCommands();
    for (const Case& c : cases) {
        Say(c.text);
        ASSERT_EQ(1u, mode.m_newCalls.size()) << c.text;
        EXPECT_EQ(c.entry, Dump(mode.m_newCalls[0])) << c.text;
    }
    EXPECT_TRUE(mode.m_history.empty());
    // Only the handle's reply restarts the new-call timer, which finds nothing more to ask.
    Pass(milliseconds(100));
    EXPECT_EQ(Commands{}, engine.TakeCommands());
    Say("CALL 18 STATUS ROUTING");
    EXPECT_EQ("18 1 \" \" \" \"", Dump(mode.m_newCalls[1]).substr(0, 12));
}

TEST_F(RetraceModeTest, NewCallsAreAskedOncePerPassSoAClientThatNeverAnswersIsNotFlooded) {
    Say("CALL 17 STATUS RINGING");
    EXPECT_EQ(static_cast<long>(CRetraceMode::kNewCallTimer), mode.m_newCallTimer);
    EXPECT_EQ(static_cast<long>(CRetraceMode::kHistoryTimer), mode.m_historyTimer);
    Pass(milliseconds(10));
    EXPECT_EQ((Commands{"get call 17 PARTNER_HANDLE", "get call 17  PARTNER_DISPNAME"}),
              engine.TakeCommands());
    EXPECT_EQ(-1, mode.m_newCallTimer);  // 17 is the last of the list

    // Two more calls, and a client that answers nothing for ten seconds: each is asked once.
    Say("CALL 18 STATUS ROUTING\nCALL 19 STATUS RINGING");
    Pass(milliseconds(10000));
    EXPECT_EQ((Commands{"get call 17 PARTNER_HANDLE", "get call 17  PARTNER_DISPNAME",
                        "get call 18 PARTNER_HANDLE", "get call 18  PARTNER_DISPNAME",
                        "get call 19 PARTNER_HANDLE", "get call 19  PARTNER_DISPNAME"}),
              engine.TakeCommands());
    // A handle that comes starts a pass over those still without one.
    Say("CALL 18 PARTNER_HANDLE carol");
    Pass(milliseconds(1000));
    EXPECT_EQ((Commands{"get call 17 PARTNER_HANDLE", "get call 17  PARTNER_DISPNAME",
                        "get call 19 PARTNER_HANDLE", "get call 19  PARTNER_DISPNAME"}),
              engine.TakeCommands());
    EXPECT_EQ(-1, mode.m_newCallTimer);

    // A client that answers inside the send: one pass, and then nothing more to ask.
    engine.onCommand = [this](const std::string& command) {
        if (command.ends_with(" PARTNER_HANDLE")) {
            const std::string id = command.substr(9, command.find(' ', 9) - 9);
            mode.ProcessSkypeMsg(platform::FromUtf8("CALL " + id + " PARTNER_HANDLE h" + id));
        }
    };
    Say("CALL 20 STATUS RINGING");
    Pass(milliseconds(1000));
    EXPECT_EQ(-1, mode.m_newCallTimer);
    EXPECT_EQ(4u, mode.m_newCalls.size());
    for (const HistoryEntry& entry : mode.m_newCalls) {
        EXPECT_NE(kNotReported, entry.partnerHandle) << platform::ToUtf8(entry.id);
    }
    EXPECT_EQ(L" h20", mode.m_newCalls.back().partnerHandle);
}

TEST_F(RetraceModeTest, ListRepliesFillTheHistoryAndItsSweepAsksEachCallOnce) {
    Say("CALLS 1, 2, 3");
    EXPECT_TRUE(mode.m_historyLoaded);
    EXPECT_EQ("3 2 1", Ids(mode.m_history));
    Pass(milliseconds(20));
    EXPECT_EQ(
        (Commands{"GET CALL 3 PARTNER_HANDLE", "GET CALL 3  PARTNER_DISPNAME", "GET CALL 3  STATUS",
                  "GET CALL 3  TYPE", "GET CALL 3  SEEN", "GET CALL 3  TIMESTAMP"}),
        engine.TakeCommands());
    Say("CALL 2 PARTNER_HANDLE dave");  // 2 needs no more questions
    Pass(milliseconds(20));
    EXPECT_EQ("GET CALL 1 PARTNER_HANDLE", engine.TakeCommands().at(0));
    EXPECT_EQ(-1, mode.m_historyTimer);
    EXPECT_EQ(0, mode.m_historyCursor);
    Pass(milliseconds(1000));
    EXPECT_EQ(Commands{}, engine.TakeCommands());

    // A later reply: known calls keep their details, new ones come in, new calls move over, and
    // the sweep starts again at the list's beginning.
    Say("CALL 7 STATUS RINGING\nCALL 7 PARTNER_HANDLE erin");
    Say("CALLS 7, 2, 4");
    EXPECT_EQ("4 2 7", Ids(mode.m_history));
    EXPECT_TRUE(mode.m_newCalls.empty());
    EXPECT_EQ(L" dave", mode.m_history[1].partnerHandle);
    EXPECT_EQ(L" erin", mode.m_history[2].partnerHandle);
    EXPECT_EQ(0, mode.m_history[2].direction);
    engine.TakeCommands();
    Pass(milliseconds(100));
    EXPECT_EQ("GET CALL 4 PARTNER_HANDLE", engine.TakeCommands().at(0));
    EXPECT_EQ(static_cast<long>(CRetraceMode::kTickTimer), mode.m_tickTimer);

    // The limits: a first reply counts the new calls; a later one keeps the first 50 ids.
    struct Case {
        bool firstReply;
        int newCalls;
        int ids;
        std::size_t kept;
    };
    for (const Case& c : {Case{true, 2, 60, 48}, Case{true, 0, 0, 0}, Case{false, 0, 70, 50}}) {
        mode.SetSkypeOnline(false);
        mode.m_historyLoaded = !c.firstReply;
        for (int i = 0; i < c.newCalls; ++i) {
            Say("CALL " + std::to_string(900 + i) + " STATUS RINGING");
        }
        std::string reply = "CALLS ";
        for (int i = 1; i <= c.ids; ++i) {
            reply += (i == 1 ? "" : ", ") + std::to_string(i);
        }
        Say(reply);
        EXPECT_EQ(c.kept, mode.m_history.size()) << reply.size();
        if (c.kept > 0) {
            EXPECT_EQ(L"1", mode.m_history.back().id);  // the reply's first id, at the end
        }
        EXPECT_TRUE(mode.m_historyLoaded);
    }
}

TEST_F(RetraceModeTest, EveryTickCountsTheMissedCallsNotYetSeenAndGoingOfflineForgetsAll) {
    Say("CALLS 5, 6, 8");
    Say("CALL 5 TYPE INCOMING_P2P\nCALL 5 STATUS MISSED\nCALL 5 SEEN FALSE");
    Say("CALL 6 TYPE INCOMING_PSTN\nCALL 6 STATUS MISSED\nCALL 6 SEEN FALSE");
    Say("CALL 8 TYPE OUTGOING_P2P\nCALL 8 STATUS MISSED");  // missed, but dialled
    mode.ProcessKey(7);                                     // any key starts the tick
    const RegisteredMessages& m = RegisteredMessages::Get();
    Pass(milliseconds(2000));
    Say("CALL 6 SEEN TRUE");
    Pass(milliseconds(1000));
    using Broadcast = std::pair<platform::WPARAM, platform::LPARAM>;
    EXPECT_EQ(
        (std::vector<Broadcast>{{m.hasCallInNook, 2}, {m.hasCallInNook, 2}, {m.hasCallInNook, 1}}),
        engine.broadcasts);

    mode.SetSkypeOnline(false);
    EXPECT_TRUE(mode.m_history.empty());
    EXPECT_FALSE(mode.m_historyLoaded);
    engine.TakeCommands();
    mode.SetSkypeOnline(true);
    EXPECT_EQ(Commands{"SEARCH CALLS"}, engine.TakeCommands());
}

}  // namespace
