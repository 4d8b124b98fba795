// The bridge's mapping, row by row: baresip's events to notifications, the system's commands to
// baresip commands and answers.
#include "bridge/baresip/CallBridge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/baresip/CallHistory.h"
#include "bridge/baresip/Json.h"

namespace baresip {
namespace {

struct SentCommand {
    std::string command;
    std::string params;
    std::string token;
};

class CallBridgeTest : public ::testing::Test {
  protected:
    CallBridgeTest() : bridge_(Output(), {}) {
        bridge_.OnBaresipUp();
        notified_.clear();
    }

    BridgeOutput Output() {
        return BridgeOutput{
            .toBaresip =
                [this](const std::string& payload) {
                    const std::optional<JsonValue> json = ParseJson(payload);
                    ASSERT_TRUE(json.has_value()) << payload;
                    sent_.push_back({json->StringMember("command").value_or(""),
                                     json->StringMember("params").value_or(""),
                                     json->StringMember("token").value_or("")});
                },
            .notify = [this](const std::string& text) { notified_.push_back(text); },
            .reply = [this](LinkId, const std::string& text) { replies_.push_back(text); },
            .historyChanged = [this](const std::vector<BridgeCall>&) { ++historySaves_; },
            .now = [this] { return now_; },
        };
    }

    // A ctrl_tcp call event as baresip 1.0 writes it.
    void Event(const std::string& type, const std::string& direction, const std::string& id,
               const std::string& param = "", const std::string& extra = "") {
        bridge_.OnBaresipMessage(
            R"({"event":true,"type":")" + type +
            R"(","class":"call","accountaor":"sip:a@127.0.0.1:5071","direction":")" + direction +
            R"(","peeruri":"sip:bob@127.0.0.1:5082","id":")" + id + R"(","param":")" + param +
            "\"" + extra + "}");
    }
    // The response to the command sent last.
    void Respond(bool ok, const std::string& data = "") {
        ASSERT_FALSE(sent_.empty());
        bridge_.OnBaresipMessage(std::string(R"({"response":true,"ok":)") +
                                 (ok ? "true" : "false") + R"(,"data":")" + data +
                                 R"(","token":")" + sent_.back().token + "\"}");
    }
    void Command(const std::string& text) { bridge_.OnLinkCommand(1, text); }
    std::vector<std::string> Commands() const {
        std::vector<std::string> words;
        for (const SentCommand& c : sent_) {
            words.push_back(c.params.empty() ? c.command : c.command + " " + c.params);
        }
        return words;
    }
    // Everything said since the last call.
    std::vector<std::string> TakeNotified() { return std::exchange(notified_, {}); }
    std::vector<std::string> TakeReplies() { return std::exchange(replies_, {}); }

    // An incoming call from bob that rings as call 1.
    void Ringing(const std::string& id = "c1") {
        Event("CALL_INCOMING", "incoming", id, "sip:bob@127.0.0.1:5082");
    }
    // Call 1 answered on the handset and established.
    void Talking() {
        Ringing();
        Command("set call 1 status inprogress");
        Respond(true, "setting current call: c1\\n");
        Respond(true);
        Event("CALL_ESTABLISHED", "incoming", "c1");
        TakeNotified();
    }

    std::int64_t now_ = 1717171717;
    std::vector<SentCommand> sent_;
    std::vector<std::string> notified_;
    std::vector<std::string> replies_;
    int historySaves_ = 0;
    CallBridge bridge_;
};

TEST_F(CallBridgeTest, AnIncomingCallRingsWithTheCallersHandleAndName) {
    Ringing();
    EXPECT_EQ(TakeNotified(), std::vector<std::string>{"CALL 1 STATUS RINGING"});
    for (const char* command :
         {"get call 1 partner_handle", "GET CALL 1  PARTNER_DISPNAME", "get call 1 type",
          "get call 1 status", "get call 1 seen", "get call 1 timestamp", "get call 1 duration",
          "get call 1 conf_id"}) {
        Command(command);
    }
    EXPECT_EQ(TakeReplies(),
              (std::vector<std::string>{
                  "CALL 1 PARTNER_HANDLE bob@127.0.0.1:5082", "CALL 1 PARTNER_DISPNAME bob",
                  "CALL 1 TYPE INCOMING_P2P", "CALL 1 STATUS RINGING", "CALL 1 SEEN TRUE",
                  "CALL 1 TIMESTAMP 1717171717", "CALL 1 DURATION 0", "CALL 1 CONF_ID 0"}));
    // A baresip that reports the display name gives it.
    Event("CALL_INCOMING", "incoming", "c2", "", R"(,"peerdisplayname":"Bob Smith")");
    Command("get call 2 partner_dispname");
    EXPECT_EQ(TakeReplies(), std::vector<std::string>{"CALL 2 PARTNER_DISPNAME Bob Smith"});
}

TEST_F(CallBridgeTest, AnsweringSelectsTheCallFirstAndWaitsForTheSelection) {
    Ringing("c1");
    Ringing("c2");
    Command("set call 2 status inprogress");
    EXPECT_EQ(Commands(), std::vector<std::string>{"callfind c2"});
    Respond(true, "setting current call: c2\\n");
    EXPECT_EQ(Commands(), (std::vector<std::string>{"callfind c2", "accept"}));
    Respond(true);
    TakeNotified();
    Event("CALL_ESTABLISHED", "incoming", "c2");
    EXPECT_EQ(TakeNotified(), std::vector<std::string>{"CALL 2 STATUS INPROGRESS"});
    now_ += 75;
    Command("get call 2 duration");
    EXPECT_EQ(TakeReplies(), std::vector<std::string>{"CALL 2 DURATION 75"});
}

TEST_F(CallBridgeTest, ACallBaresipCannotFindIsNeverActedOnBlindly) {
    Ringing();
    Command("set call 1 status inprogress");
    Respond(true, "call not found (id=c1)\\n");  // callfind answers ok even so
    EXPECT_EQ(Commands(), std::vector<std::string>{"callfind c1"});
    EXPECT_EQ(TakeReplies(),
              std::vector<std::string>{"ERROR 23 Cannot resume this call at the moment"});
}

TEST_F(CallBridgeTest, HoldAndResumeAreReportedByTheBridgeOnceBaresipTookThem) {
    Talking();
    Command("set call 1 status onhold");
    Respond(true, "setting current call: c1\\n");
    EXPECT_TRUE(TakeNotified().empty());
    Respond(true);
    EXPECT_EQ(TakeNotified(),
              (std::vector<std::string>{"CALL 1 STATUS ONHOLD", "CALL 1 STATUS LOCALHOLD"}));
    Command("set call 1 status onhold");
    EXPECT_EQ(TakeReplies(), std::vector<std::string>{"CALL 1 STATUS LOCALHOLD"});
    Command("set call 1 status inprogress");
    Respond(true, "setting current call: c1\\n");
    Respond(true);
    EXPECT_EQ(TakeNotified(), std::vector<std::string>{"CALL 1 STATUS INPROGRESS"});
    EXPECT_EQ(Commands(), (std::vector<std::string>{"callfind c1", "accept", "callfind c1", "hold",
                                                    "callfind c1", "resume"}));
    // A hold baresip refuses is an error, not a held call.
    Command("set call 1 status onhold");
    Respond(true, "setting current call: c1\\n");
    Respond(false, "Invalid argument");
    EXPECT_TRUE(TakeNotified().empty());
    EXPECT_EQ(TakeReplies(),
              std::vector<std::string>{"ERROR 22 Cannot hold this call at the moment"});
}

TEST_F(CallBridgeTest, AnsweringASecondCallHoldsTheFirstAsBaresipDoes) {
    Talking();
    Ringing("c2");
    Command("set call 2 status inprogress");
    Respond(true, "setting current call: c2\\n");
    Respond(true);
    EXPECT_EQ(TakeNotified(),
              (std::vector<std::string>{"CALL 2 STATUS RINGING", "CALL 1 STATUS ONHOLD",
                                        "CALL 1 STATUS LOCALHOLD"}));
}

struct EndCase {
    const char* name;
    bool outgoing;
    bool established;
    bool hungUpHere;
    const char* reason;  // CALL_CLOSED's param
    std::vector<std::string> notified;
};

class CallEndTest : public CallBridgeTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(CallEndTest, TheClosingEventEndsTheCallAsItWent) {
    const EndCase& c = GetParam();
    const std::string direction = c.outgoing ? "outgoing" : "incoming";
    if (c.outgoing) {
        Command("call bob@127.0.0.1:5082");
        EXPECT_EQ(Commands().back(), "dial bob@127.0.0.1:5082");
        Respond(true);
        Event("CALL_RINGING", direction, "c1");
    } else {
        Ringing();
    }
    if (c.established) {
        Event("CALL_ESTABLISHED", direction, "c1");
    }
    if (c.hungUpHere) {
        Command("set call 1 status finished");
        Respond(true, "setting current call: c1\\n");
        EXPECT_EQ(Commands().back(), "hangup");
        Respond(true);
    }
    TakeNotified();
    const int saves = historySaves_;
    Event("CALL_CLOSED", direction, "c1", c.reason);
    EXPECT_EQ(TakeNotified(), c.notified);
    EXPECT_EQ(historySaves_, saves + 1);
    Command("set call 1 status finished");
    EXPECT_EQ(TakeReplies(), std::vector<std::string>{"ERROR 24 Cannot hangup inactive call"});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CallEndTest,
    ::testing::Values(
        EndCase{"FarEndHangsUpATalk",
                false,
                true,
                false,
                "Connection reset by peer",
                {"CALL 1 STATUS FINISHED"}},
        EndCase{"HandsetHangsUpATalk",
                true,
                true,
                true,
                "Connection reset by user",
                {"CALL 1 STATUS FINISHED"}},
        EndCase{"CallerGivesUp",
                false,
                false,
                false,
                "Connection reset by peer",
                {"CALL 1 STATUS MISSED"}},
        EndCase{"HandsetRejects",
                false,
                false,
                true,
                "Connection reset by user",
                {"CALL 1 STATUS REFUSED"}},
        EndCase{"HandsetGivesUp",
                true,
                false,
                true,
                "Connection reset by user",
                {"CALL 1 STATUS CANCELLED"}},
        EndCase{"FarEndRejects", true, false, false, "486 Rejected", {"CALL 1 STATUS REFUSED"}},
        EndCase{"FarEndDeclines", true, false, false, "603 Decline", {"CALL 1 STATUS REFUSED"}},
        EndCase{"NoSuchUser",
                true,
                false,
                false,
                "404 Not Found",
                {"CALL 1 FAILUREREASON 2", "CALL 1 STATUS FAILED"}},
        EndCase{"Unreachable",
                true,
                false,
                false,
                "Connection timed out",
                {"CALL 1 FAILUREREASON 3", "CALL 1 STATUS FAILED"}},
        EndCase{"NoCommonCodec",
                true,
                false,
                false,
                "488 Not Acceptable Here",
                {"CALL 1 FAILUREREASON 6", "CALL 1 STATUS FAILED"}}),
    [](const ::testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

TEST_F(CallBridgeTest, AMissedCallStaysUnseenUntilMarkedAndTheHistoryIsWritten) {
    Ringing();
    Event("CALL_CLOSED", "incoming", "c1", "Connection reset by peer");
    Command("get call 1 seen");
    const int saves = historySaves_;
    Command("set call 1 seen true");
    Command("set call 1 seen true");
    EXPECT_EQ(TakeReplies(), (std::vector<std::string>{"CALL 1 SEEN FALSE", "CALL 1 SEEN TRUE"}));
    EXPECT_EQ(TakeNotified().back(), "CALL 1 SEEN TRUE");
    EXPECT_EQ(historySaves_, saves + 1);
}

TEST_F(CallBridgeTest, ADialledCallIsNamedByBaresipsFirstEventAndTakesTheKnownName) {
    Event("CALL_INCOMING", "incoming", "c1", "", R"(,"peerdisplayname":"Bob Smith")");
    Event("CALL_CLOSED", "incoming", "c1", "Connection reset by peer");
    TakeNotified();
    Command("call  bob@127.0.0.1:5082");
    EXPECT_EQ(TakeNotified(), std::vector<std::string>{"CALL 2 STATUS ROUTING"});
    Respond(true);
    Event("CALL_PROGRESS", "outgoing", "c9");
    Event("CALL_RINGING", "outgoing", "c9");
    EXPECT_EQ(TakeNotified(), std::vector<std::string>{"CALL 2 STATUS RINGING"});
    Command("get call 2 partner_dispname");
    Command("get call 2 type");
    EXPECT_EQ(TakeReplies(), (std::vector<std::string>{"CALL 2 PARTNER_DISPNAME Bob Smith",
                                                       "CALL 2 TYPE OUTGOING_P2P"}));
    // Hung up before baresip named it: the hang-up goes with the first event.
    Command("call carol@127.0.0.1:5090");
    Respond(true);
    Command("set call 3 status finished");
    EXPECT_EQ(Commands().back(), "dial carol@127.0.0.1:5090");
    Event("CALL_RINGING", "outgoing", "c10");
    Respond(true, "setting current call: c10\\n");
    EXPECT_EQ(Commands().back(), "hangup");
}

TEST_F(CallBridgeTest, TheSystemsOtherCommandsAreAnsweredNeverLeftSilent) {
    Ringing();
    struct Row {
        const char* command;
        const char* reply;
    };
    const Row rows[] = {
        {"protocol 5", "PROTOCOL 5"},
        {"protocol 8", "PROTOCOL 5"},
        {"get userstatus", "USERSTATUS ONLINE"},
        {"get profile pstn_balance", "PROFILE PSTN_BALANCE 0"},
        {"Search friends", "USERS "},
        {"search voicemails", "VOICEMAILS "},
        {"get voicemail 7 status", "ERROR 82 Unknown voicemail"},
        {"open voicemail x", "ERROR 81 Invalid voicemail id"},
        {"set call 1 join_conference 2", "ERROR 72 Cannot create conference"},
        {"set call 9 status onhold", "ERROR 20 Unknown call"},
        {"set call x status onhold", "ERROR 19 Invalid call id"},
        {"set call 1 status busy", "ERROR 21 Unknown/disallowed call prop"},
        {"set call 1 status onhold", "ERROR 22 Cannot hold this call at the moment"},
        {"get call 0 status", "ERROR 11 Invalid call id"},
        {"get call 9 status", "ERROR 12 Unknown call"},
        {"get call 1 colour", "ERROR 13 Invalid PROP"},
        {"call", "ERROR 4 Empty target not allowed"},
        {"call bob alice", "ERROR 34 Invalid user handle"},
        {"call sip:bob@host", "ERROR 34 Invalid user handle"},
        {"Set audio_out USB Handset", "ERROR 2 Unknown command"},
        {"search activecalls", "CALLS 1"},
    };
    for (const Row& row : rows) {
        Command(row.command);
        EXPECT_EQ(TakeReplies(), std::vector<std::string>{row.reply}) << row.command;
    }
    EXPECT_TRUE(sent_.empty());
}

TEST_F(CallBridgeTest, MuteTurnsOverEachTalkingCallOnceAndIsSaid) {
    Talking();
    Command("Set mute on");
    EXPECT_EQ(TakeNotified(), std::vector<std::string>{"MUTE ON"});
    Respond(true, "setting current call: c1\\n");
    Respond(true, "\\ncall muted\\n");
    Command("Set mute on");  // muted already: baresip's toggle must not undo it
    Command("Set mute off");
    Respond(true, "setting current call: c1\\n");
    Respond(true);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"callfind c1", "accept", "callfind c1", "mute",
                                                    "callfind c1", "mute"}));
    Command("get mute");
    EXPECT_EQ(TakeReplies(), std::vector<std::string>{"MUTE OFF"});
}

TEST_F(CallBridgeTest, RegistrationIsTheUsersStatus) {
    bridge_.OnBaresipMessage(R"({"event":true,"class":"register","type":"REGISTER_FAIL"})");
    bridge_.OnBaresipMessage(R"({"event":true,"class":"register","type":"REGISTER_FAIL"})");
    bridge_.OnBaresipMessage(R"({"event":true,"class":"register","type":"REGISTER_OK"})");
    EXPECT_EQ(TakeNotified(),
              (std::vector<std::string>{"USERSTATUS OFFLINE", "USERSTATUS ONLINE"}));
}

TEST_F(CallBridgeTest, BaresipGoingAwayEndsItsCallsAndFailsTheCommandsWaiting) {
    Talking();
    Ringing("c2");
    Command("set call 1 status onhold");
    TakeNotified();
    bridge_.OnBaresipDown();
    EXPECT_EQ(TakeReplies(),
              std::vector<std::string>{"ERROR 22 Cannot hold this call at the moment"});
    EXPECT_EQ(TakeNotified(),
              (std::vector<std::string>{"CALL 1 STATUS FINISHED", "CALL 2 STATUS MISSED"}));
    Command("get call 1 status");
    Command("get call 2 status");
    Command("get userstatus");
    EXPECT_EQ(TakeReplies(),
              (std::vector<std::string>{"CALL 1 STATUS FINISHED", "CALL 2 STATUS MISSED",
                                        "USERSTATUS OFFLINE"}));
}

TEST(CallBridgeHistoryTest, NewCallsTakeIdsAboveTheHistorysAndSearchListsNewestFirst) {
    std::vector<BridgeCall> history(2);  // a missed call and, newer, a finished one
    history[0].id = 7;
    history[0].status = CallStatus::kMissed;
    history[0].timestamp = 100;
    history[0].handle = "alice@example.org";
    history[1].id = 4;
    history[1].status = CallStatus::kFinished;
    history[1].timestamp = 200;
    history[1].handle = "bob@example.org";
    std::vector<std::string> replies;
    std::vector<std::string> notified;
    CallBridge bridge(
        BridgeOutput{
            .toBaresip = [](const std::string&) {},
            .notify = [&notified](const std::string& text) { notified.push_back(text); },
            .reply = [&replies](LinkId, const std::string& text) { replies.push_back(text); },
            .historyChanged = {},
            .now = [] { return std::int64_t{150}; }},
        history);
    bridge.OnBaresipMessage(
        R"({"event":true,"class":"call","type":"CALL_INCOMING","direction":"incoming","peeruri":"sip:carol@example.org","id":"x"})");
    bridge.OnLinkCommand(1, "SEARCH CALLS");
    EXPECT_EQ(notified, std::vector<std::string>{"CALL 8 STATUS RINGING"});
    EXPECT_EQ(replies, std::vector<std::string>{"CALLS 4, 8, 7"});
}

TEST(CallBridgeHistoryTest, TheTableKeepsNoMoreEndedCallsThanTheFile) {
    std::vector<BridgeCall> history(kMaxHistoryCalls);
    for (std::size_t i = 0; i < history.size(); ++i) {
        history[i].id = static_cast<CallId>(i + 1);
        history[i].status = CallStatus::kFinished;
        history[i].timestamp = static_cast<std::int64_t>(i);
        history[i].handle = "h@x";
    }
    CallBridge bridge(BridgeOutput{.toBaresip = [](const std::string&) {},
                                   .notify = [](const std::string&) {},
                                   .reply = [](LinkId, const std::string&) {},
                                   .historyChanged = {},
                                   .now = [] { return std::int64_t{100000}; }},
                      history);
    bridge.OnBaresipMessage(
        R"({"event":true,"class":"call","type":"CALL_INCOMING","direction":"incoming","peeruri":"sip:c@x","id":"x"})");
    bridge.OnBaresipMessage(
        R"({"event":true,"class":"call","type":"CALL_CLOSED","direction":"incoming","peeruri":"sip:c@x","id":"x"})");
    ASSERT_EQ(bridge.Calls().size(), kMaxHistoryCalls);
    EXPECT_EQ(bridge.Calls().front().id, 2u);  // the oldest went
    EXPECT_EQ(bridge.Calls().back().status, CallStatus::kMissed);
}

}  // namespace
}  // namespace baresip
