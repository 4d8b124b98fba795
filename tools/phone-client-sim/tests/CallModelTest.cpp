// The calls of the simulated softphone: each life cycle as the texts it gives, in order (what
// every link is notified, and what the asking link is answered), the history and the calls a link
// places among them; durations on the manual clock; and a sink that asks back at once finding
// every change complete.
#include "tools/phone-client-sim/CallModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/loop/Clock.h"
#include "platform/loop/MessageLoop.h"
#include "tools/phone-client-sim/CallCommands.h"
#include "tools/phone-client-sim/CallTicker.h"
#include "tools/phone-client-sim/ConsoleCommands.h"

namespace phone_client_sim {
namespace {

using Texts = std::vector<std::string>;

// A model with its command face, and what one step gave: notifications as they are, answers to
// the asking link as "reply: ...", a command no handler of calls takes as "not taken", a refused
// event as "refused" ("unknown: why" for an unknown id).
struct Softphone {
    Texts seen;
    std::int64_t now = 1'700'000'000;  // the wall clock, in seconds since 1970
    CallModel model{[this](const std::string& text) { seen.push_back(text); },
                    [this] { return now; }};
    CallCommands commands{model};

    // "> COMMAND" a link's command, "tick" a second, "hang up all" the softphone's end, "clock N"
    // the wall clock set to N, anything else a console line of a call event.
    Texts Play(const std::string& step) {
        seen.clear();
        if (step.starts_with("clock ")) {
            now = std::stoll(step.substr(6));
        } else if (step.starts_with("> ")) {
            Texts replies;
            if (!commands.Handle(step.substr(2), replies)) {
                seen.push_back("not taken");
            }
            for (const std::string& reply : replies) {
                seen.push_back("reply: " + reply);
            }
        } else if (step == "tick") {
            model.Tick();
        } else if (step == "hang up all") {
            model.HangUpAll();
        } else {
            const ConsoleCommand event = ParseConsoleCommand(step);
            EXPECT_EQ(ConsoleCommand::Kind::kCallEvent, event.kind) << step;
            if (event.verb == nullptr) {
                return seen;
            }
            const CallResult result = event.verb->play(model, event.event);
            if (result.kind == CallResult::Kind::kUnknownCall) {
                seen.push_back("unknown: " + result.why);
            } else if (!result.Ok()) {
                seen.push_back("refused");
            }
        }
        return seen;
    }
};

struct Step {
    std::string what;
    Texts texts;
};

struct LifeCycle {
    std::string name;
    std::vector<Step> steps;
};

const LifeCycle kLifeCycles[] = {
    {"an incoming call answered, held at both ends and hung up here",
     {
         {"call-in 12 alice Alice  Smith", {"CALL 12 STATUS RINGING"}},
         {"> get call 12 partner_handle", {"reply: CALL 12 PARTNER_HANDLE alice"}},
         {"> GET CALL 12  PARTNER_DISPNAME", {"reply: CALL 12 PARTNER_DISPNAME Alice  Smith"}},
         {"> get call 12 TYPE", {"reply: CALL 12 TYPE INCOMING_P2P"}},
         {"tick", {}},
         {"> set call 12 status onhold", {"reply: ERROR 22 Cannot hold this call at the moment"}},
         {"> set call 12 status inprogress", {"CALL 12 STATUS INPROGRESS"}},
         {"> Set Call 12 Status Inprogress", {"reply: CALL 12 STATUS INPROGRESS"}},
         {"tick", {"CALL 12 DURATION 1"}},
         {"> set call 12 status onhold", {"CALL 12 STATUS ONHOLD", "CALL 12 STATUS LOCALHOLD"}},
         {"> set call 12 status onhold", {"reply: CALL 12 STATUS LOCALHOLD"}},
         {"tick", {"CALL 12 DURATION 2"}},
         {"remote-hold 12", {}},  // held here as well: it still reads LOCALHOLD
         {"remote-hold 12", {"refused"}},
         {"> set call 12 status inprogress", {"CALL 12 STATUS REMOTEHOLD"}},
         {"> set call 12 status inprogress",
          {"reply: ERROR 23 Cannot resume this call at the moment"}},
         {"remote-resume 12", {"CALL 12 STATUS INPROGRESS"}},
         {"remote-resume 12", {"refused"}},
         {"> get call 12 status", {"reply: CALL 12 STATUS INPROGRESS"}},
         {"> set call 12 status finished", {"CALL 12 STATUS FINISHED"}},
         {"tick", {}},
         {"> get call 12 duration", {"reply: CALL 12 DURATION 2"}},
         {"> set call 12 status finished", {"reply: ERROR 24 Cannot hangup inactive call"}},
         {"> set call 12 status inprogress",
          {"reply: ERROR 23 Cannot resume this call at the moment"}},
         {"remote-hangup 12", {"refused"}},
         {"remote-fail 12 1", {"refused"}},
     }},
    {"incoming calls missed and refused",
     {
         {"call-in-pstn 13 +15551234", {"CALL 13 STATUS RINGING"}},
         {"> get call 13 partner_dispname", {"reply: CALL 13 PARTNER_DISPNAME "}},
         {"> get call 13 type", {"reply: CALL 13 TYPE INCOMING_PSTN"}},
         {"remote-answer 13", {"refused"}},
         {"remote-refuse 13", {"refused"}},
         {"remote-busy 13", {"refused"}},
         {"remote-hold 13", {"refused"}},
         {"remote-hangup 13", {"CALL 13 STATUS MISSED"}},
         {"call-in 14 bob Bob", {"CALL 14 STATUS RINGING"}},
         {"> set call 14 status finished", {"CALL 14 STATUS REFUSED"}},
         {"call-in 14 bob Bob", {"refused"}},  // ids are never used again
         {"call-in 15 two words", {"CALL 15 STATUS RINGING"}},
         {"remote-fail 15 7", {"CALL 15 FAILUREREASON 7", "CALL 15 STATUS FAILED"}},
     }},
    {"outgoing calls answered, held at both ends, refused, busy, cancelled, missed and failed",
     {
         {"call-out 20 carol Carol", {"CALL 20 STATUS ROUTING", "CALL 20 STATUS RINGING"}},
         {"> get call 20 type", {"reply: CALL 20 TYPE OUTGOING_P2P"}},
         {"> set call 20 status inprogress",
          {"reply: ERROR 23 Cannot resume this call at the moment"}},
         {"remote-answer 20", {"CALL 20 STATUS INPROGRESS"}},
         {"remote-answer 20", {"refused"}},
         {"remote-hold 20", {"CALL 20 STATUS REMOTEHOLD"}},
         {"tick", {"CALL 20 DURATION 1"}},
         {"> set call 20 status onhold", {"CALL 20 STATUS ONHOLD", "CALL 20 STATUS LOCALHOLD"}},
         {"remote-resume 20", {}},  // still held here
         {"> set call 20 status inprogress", {"CALL 20 STATUS INPROGRESS"}},
         {"remote-hangup 20", {"CALL 20 STATUS FINISHED"}},
         {"call-out 21 dave", {"CALL 21 STATUS ROUTING", "CALL 21 STATUS RINGING"}},
         {"remote-refuse 21", {"CALL 21 STATUS REFUSED"}},
         {"call-out-pstn 22 +441234", {"CALL 22 STATUS ROUTING", "CALL 22 STATUS RINGING"}},
         {"> get call 22 type", {"reply: CALL 22 TYPE OUTGOING_PSTN"}},
         {"remote-busy 22", {"CALL 22 STATUS BUSY"}},
         {"remote-busy 22", {"refused"}},
         {"call-out 23 erin", {"CALL 23 STATUS ROUTING", "CALL 23 STATUS RINGING"}},
         {"> set call 23 status finished", {"CALL 23 STATUS CANCELLED"}},
         {"call-out 24 frank", {"CALL 24 STATUS ROUTING", "CALL 24 STATUS RINGING"}},
         {"remote-hangup 24", {"CALL 24 STATUS MISSED"}},
         {"call-out 25 gina", {"CALL 25 STATUS ROUTING", "CALL 25 STATUS RINGING"}},
         {"> get call 25 failurereason", {"reply: CALL 25 FAILUREREASON 0"}},
         {"remote-answer 25", {"CALL 25 STATUS INPROGRESS"}},
         {"remote-fail 25 3", {"CALL 25 FAILUREREASON 3", "CALL 25 STATUS FAILED"}},
         {"> get call 25 failurereason", {"reply: CALL 25 FAILUREREASON 3"}},
         {"remote-fail 25 4", {"refused"}},
     }},
    {"the voice mail of unanswered outgoing calls",
     {
         {"call-out 30 hank Hank", {"CALL 30 STATUS ROUTING", "CALL 30 STATUS RINGING"}},
         {"vm-buffering 30", {"CALL 30 STATUS VM_BUFFERING_GREETING"}},
         {"vm-buffering 30", {"refused"}},
         {"vm-greeting 30", {"CALL 30 STATUS VM_PLAYING_GREETING"}},
         {"remote-answer 30", {"refused"}},
         {"remote-hangup 30", {"refused"}},
         {"vm-recording 30", {"CALL 30 STATUS VM_RECORDING"}},
         {"tick", {}},
         {"> get call 30 status", {"reply: CALL 30 STATUS VM_RECORDING"}},
         {"vm-greeting 30", {"refused"}},
         {"vm-sent 30", {"CALL 30 STATUS VM_SENT"}},
         {"call-out 31 ivy", {"CALL 31 STATUS ROUTING", "CALL 31 STATUS RINGING"}},
         {"vm-greeting 31", {"CALL 31 STATUS VM_PLAYING_GREETING"}},
         {"> set call 31 status finished", {"CALL 31 STATUS VM_CANCELLED"}},
         {"call-out 32 jack", {"CALL 32 STATUS ROUTING", "CALL 32 STATUS RINGING"}},
         {"vm-recording 32", {"CALL 32 STATUS VM_RECORDING"}},
         {"> set call 32 status finished", {"CALL 32 STATUS VM_SENT"}},
         {"call-in 33 kate", {"CALL 33 STATUS RINGING"}},
         {"vm-buffering 33", {"refused"}},
     }},
    {"a conference formed, its participants, and a member leaving",
     {
         {"> search activecalls", {"reply: CALLS "}},
         {"call-in 40 alice Alice", {"CALL 40 STATUS RINGING"}},
         {"> set call 40 status inprogress", {"CALL 40 STATUS INPROGRESS"}},
         {"> get call 40 conf_id", {"reply: CALL 40 CONF_ID 0"}},
         {"> get call 40 conf_participants_count", {"reply: CALL 40 CONF_PARTICIPANTS_COUNT 0"}},
         {"call-in 41 bob Bob", {"CALL 41 STATUS RINGING"}},
         {"> set call 41 join_conference 40", {"reply: ERROR 72 Cannot create conference"}},
         {"> set call 41 status inprogress", {"CALL 41 STATUS INPROGRESS"}},
         {"call-out 42 carol", {"CALL 42 STATUS ROUTING", "CALL 42 STATUS RINGING"}},
         {"> set call 41 join_conference 40",
          {"CALL 40 CONF_ID 40", "CALL 41 CONF_ID 40", "CALL 40 CONF_PARTICIPANTS_COUNT 3"}},
         {"> SET CALL 42 JOIN_CONFERENCE 41",
          {"CALL 42 CONF_ID 40", "CALL 40 CONF_PARTICIPANTS_COUNT 4"}},
         {"> set call 42 join_conference 40", {"reply: ERROR 72 Cannot create conference"}},
         {"> get call 41 conf_id", {"reply: CALL 41 CONF_ID 40"}},
         {"> get call 40 conf_participants_count", {"reply: CALL 40 CONF_PARTICIPANTS_COUNT 4"}},
         {"> get call 40 conf_participant 1",
          {"reply: CALL 40 CONF_PARTICIPANT 1 alice INCOMING_P2P INPROGRESS Alice"}},
         {"> get call 40 CONF_PARTICIPANT 3",
          {"reply: CALL 40 CONF_PARTICIPANT 3 carol OUTGOING_P2P RINGING "}},
         {"> get call 40 conf_participant 4",
          {"reply: ERROR 71 Invalid conference participant NO"}},
         {"> get call 40 conf_participant 0",
          {"reply: ERROR 71 Invalid conference participant NO"}},
         {"remote-hangup 41", {"CALL 41 STATUS FINISHED", "CALL 40 CONF_PARTICIPANTS_COUNT 3"}},
         {"> get call 40 conf_participant 2",
          {"reply: CALL 40 CONF_PARTICIPANT 2 carol OUTGOING_P2P RINGING "}},
         {"> search activecalls", {"reply: CALLS 40, 42"}},
         {"> SEARCH  CALLS", {"reply: CALLS 42, 41, 40"}},
         // The host leaving tells nobody the count: its id names a call that has ended.
         {"> set call 40 status finished", {"CALL 40 STATUS FINISHED"}},
         {"> get call 42 conf_participant 1",
          {"reply: CALL 42 CONF_PARTICIPANT 1 carol OUTGOING_P2P RINGING "}},
         {"> set call 43 join_conference 40", {"reply: ERROR 20 Unknown call"}},
     }},
    {"unknown ids, impossible requests and spellings",
     {
         {"remote-answer 99", {"unknown: no call 99"}},
         {"> get call x status", {"reply: ERROR 11 Invalid call id"}},
         {"> get call  status", {"reply: ERROR 11 Invalid call id"}},  // a participant's poll
         {"> get call 0 status", {"reply: ERROR 11 Invalid call id"}},
         {"> get call 99 status", {"reply: ERROR 12 Unknown call"}},
         {"call-in 50 alice", {"CALL 50 STATUS RINGING"}},
         {"> get call 50", {"reply: ERROR 13 Invalid PROP"}},
         {"> get call 50 colour", {"reply: ERROR 13 Invalid PROP"}},
         {"> get call 50 status now", {"reply: ERROR 13 Invalid PROP"}},
         {"> get\tcall 50\tstatus", {"reply: CALL 50 STATUS RINGING"}},
         {"> set call x status finished", {"reply: ERROR 19 Invalid call id"}},
         {"> set call 99 status finished", {"reply: ERROR 20 Unknown call"}},
         {"> set call 50 status answered", {"reply: ERROR 21 Unknown/disallowed call prop"}},
         {"> set call 50 status", {"reply: ERROR 21 Unknown/disallowed call prop"}},
         {"> set call 50 colour red", {"reply: ERROR 21 Unknown/disallowed call prop"}},
         {"> set call 50 join_conference x", {"reply: ERROR 72 Cannot create conference"}},
         {"> set call 50 join_conference 50", {"reply: ERROR 72 Cannot create conference"}},
         {"> SET  CALL  50  STATUS  ONHOLD",
          {"reply: ERROR 22 Cannot hold this call at the moment"}},
         {"> search calls alice", {"not taken"}},
         {"> get userstatus", {"not taken"}},
         {"> getcall 50 status", {"not taken"}},
     }},
    {"the softphone's end hangs up every live call in order of arrival",
     {
         {"call-in 60 a", {"CALL 60 STATUS RINGING"}},
         {"call-out 61 b", {"CALL 61 STATUS ROUTING", "CALL 61 STATUS RINGING"}},
         {"call-in 62 c", {"CALL 62 STATUS RINGING"}},
         {"> set call 62 status inprogress", {"CALL 62 STATUS INPROGRESS"}},
         {"remote-hangup 60", {"CALL 60 STATUS MISSED"}},
         {"call-out 63 d", {"CALL 63 STATUS ROUTING", "CALL 63 STATUS RINGING"}},
         {"vm-recording 63", {"CALL 63 STATUS VM_RECORDING"}},
         {"hang up all",
          {"CALL 61 STATUS CANCELLED", "CALL 62 STATUS FINISHED", "CALL 63 STATUS VM_SENT"}},
         {"> search activecalls", {"reply: CALLS "}},
         {"> search calls", {"reply: CALLS 63, 62, 61, 60"}},
     }},
    // The texts as the history mode spells them.
    {"the history newest first, its properties, and the live calls among it",
     {
         {"> SEARCH CALLS", {"reply: CALLS "}},
         {"history 5 missed alice 1700000300 Alice  Smith", {}},  // nothing notified
         {"history 3 in +15551234 1700000100", {}},
         {"history 4 out 0800123 1700000300 Bob", {}},  // as old as 5, but arrived later
         {"history 4 in carol 1", {"refused"}},         // its id is used
         {"history 6 seen carol 1", {"refused"}},
         {"> SEARCH CALLS", {"reply: CALLS 4, 5, 3"}},
         {"> GET CALL 5 PARTNER_HANDLE", {"reply: CALL 5 PARTNER_HANDLE alice"}},
         {"> GET CALL 5  PARTNER_DISPNAME", {"reply: CALL 5 PARTNER_DISPNAME Alice  Smith"}},
         {"> GET CALL 5  STATUS", {"reply: CALL 5 STATUS MISSED"}},
         {"> GET CALL 5  TYPE", {"reply: CALL 5 TYPE INCOMING_P2P"}},
         {"> GET CALL 5  SEEN", {"reply: CALL 5 SEEN FALSE"}},
         {"> GET CALL 5  TIMESTAMP", {"reply: CALL 5 TIMESTAMP 1700000300"}},
         {"> GET CALL 3  TYPE", {"reply: CALL 3 TYPE INCOMING_PSTN"}},
         {"> GET CALL 3  STATUS", {"reply: CALL 3 STATUS FINISHED"}},
         {"> GET CALL 3  SEEN", {"reply: CALL 3 SEEN TRUE"}},
         {"> get call 3  PARTNER_DISPNAME", {"reply: CALL 3 PARTNER_DISPNAME "}},
         {"> get call 4 PARTNER_HANDLE", {"reply: CALL 4 PARTNER_HANDLE 0800123"}},
         {"> GET CALL 4  TYPE", {"reply: CALL 4 TYPE OUTGOING_PSTN"}},
         {"> GET CALL 4  SEEN", {"reply: CALL 4 SEEN TRUE"}},
         {"> get call 4  duration", {"reply: CALL 4 DURATION 0"}},
         {"> GET CALL 9  SEEN", {"reply: ERROR 12 Unknown call"}},
         {"> GET CALL 5  SEEN TRUE", {"reply: ERROR 13 Invalid PROP"}},
         // Ended before: nothing plays on them.
         {"remote-hangup 5", {"refused"}},
         {"> set call 5 status finished", {"reply: ERROR 24 Cannot hangup inactive call"}},
         {"> search activecalls", {"reply: CALLS "}},
         {"> set call 5 seen true", {"CALL 5 SEEN TRUE"}},
         {"> GET CALL 5  SEEN", {"reply: CALL 5 SEEN TRUE"}},
         {"> SET  CALL 5  SEEN  TRUE", {"reply: CALL 5 SEEN TRUE"}},
         {"> set call 5 seen false", {"CALL 5 SEEN FALSE"}},
         {"> set call 5 seen maybe", {"reply: ERROR 21 Unknown/disallowed call prop"}},
         {"> set call 5 seen", {"reply: ERROR 21 Unknown/disallowed call prop"}},
         {"> set call 9 seen true", {"reply: ERROR 20 Unknown call"}},
         // Live calls start at the wall clock's time; only an incoming one missed is unseen.
         {"clock 1700000200", {}},
         {"call-in 7 dave Dave", {"CALL 7 STATUS RINGING"}},
         {"clock 1700000400", {}},
         {"> GET CALL 7  TIMESTAMP", {"reply: CALL 7 TIMESTAMP 1700000200"}},
         {"> GET CALL 7  SEEN", {"reply: CALL 7 SEEN TRUE"}},
         {"remote-hangup 7", {"CALL 7 STATUS MISSED"}},
         {"> GET CALL 7  SEEN", {"reply: CALL 7 SEEN FALSE"}},
         {"call-out 8 erin", {"CALL 8 STATUS ROUTING", "CALL 8 STATUS RINGING"}},
         {"remote-hangup 8", {"CALL 8 STATUS MISSED"}},
         {"> GET CALL 8  SEEN", {"reply: CALL 8 SEEN TRUE"}},
         {"call-in 2 frank", {"CALL 2 STATUS RINGING"}},
         {"> set call 2 status finished", {"CALL 2 STATUS REFUSED"}},
         {"> GET CALL 2  SEEN", {"reply: CALL 2 SEEN TRUE"}},
         {"> SEARCH CALLS", {"reply: CALLS 2, 8, 4, 5, 7, 3"}},
     }},
    {"a link calls a handle: a fresh id, the name of its newest call, routing then ringing",
     {
         {"history 40 in alice 100 Alice Old", {}},
         {"history 20 out alice 200 Alice  New", {}},
         {"history 30 missed alice 150 Alice Middle", {}},
         {"clock 300", {}},
         {"> call  alice", {"CALL 41 STATUS ROUTING", "CALL 41 STATUS RINGING"}},
         {"> get call 41 PARTNER_HANDLE", {"reply: CALL 41 PARTNER_HANDLE alice"}},
         {"> get call 41  PARTNER_DISPNAME", {"reply: CALL 41 PARTNER_DISPNAME Alice  New"}},
         {"> GET CALL 41  TYPE", {"reply: CALL 41 TYPE OUTGOING_P2P"}},
         {"> GET CALL 41  TIMESTAMP", {"reply: CALL 41 TIMESTAMP 300"}},
         {"> search activecalls", {"reply: CALLS 41"}},
         {"remote-answer 41", {"CALL 41 STATUS INPROGRESS"}},
         {"> CALL +4930123", {"CALL 42 STATUS ROUTING", "CALL 42 STATUS RINGING"}},
         {"> GET CALL 42  TYPE", {"reply: CALL 42 TYPE OUTGOING_PSTN"}},
         {"> get call 42  PARTNER_DISPNAME", {"reply: CALL 42 PARTNER_DISPNAME "}},
         {"> call 0800123", {"CALL 43 STATUS ROUTING", "CALL 43 STATUS RINGING"}},
         {"> GET CALL 43  TYPE", {"reply: CALL 43 TYPE OUTGOING_PSTN"}},
         {"> call", {"reply: ERROR 4 Empty target not allowed"}},
         {"> call  ", {"reply: ERROR 4 Empty target not allowed"}},
         {"> call alice bob", {"reply: ERROR 34 Invalid user handle"}},
         {"> SEARCH CALLS", {"reply: CALLS 43, 42, 41, 20, 30, 40"}},
         {"history 4294967295 in zed 1", {}},
         {"> call alice", {"reply: ERROR 35 No call id left"}},
     }},
};

TEST(CallModelTest, EachLifeCycleGivesItsTextsInOrder) {
    for (const LifeCycle& cycle : kLifeCycles) {
        SCOPED_TRACE(cycle.name);
        Softphone phone;
        for (const Step& step : cycle.steps) {
            EXPECT_EQ(step.texts, phone.Play(step.what)) << step.what;
        }
    }
}

TEST(CallModelTest, RefusalsSayWhyAndChangeNothing) {
    Softphone phone;
    phone.Play("call-in-pstn 13 +15551234 Ann");
    phone.seen.clear();
    const CallResult result = phone.model.RemoteAnswer(13);
    EXPECT_EQ(CallResult::Kind::kImpossible, result.kind);
    EXPECT_EQ(
        "call 13 (INCOMING_PSTN, RINGING): the far end answers only an outgoing call not "
        "answered yet",
        result.why);
    EXPECT_EQ(CallResult::Kind::kImpossible, phone.model.IncomingCall(0, "bob", "", false).kind);
    EXPECT_EQ(CallResult::Kind::kImpossible,
              phone.model.OutgoingCall(14, "two words", "", false).kind);
    EXPECT_EQ(CallResult::Kind::kImpossible, phone.model.VoiceMail(13, CallStatus::kFinished).kind);
    EXPECT_EQ(CallResult::Kind::kImpossible,
              phone.model.AddHistory(14, HistoryKind::kIncoming, "two words", 1, "").kind);
    EXPECT_EQ(CallResult::Kind::kImpossible,
              phone.model.AddHistory(0, HistoryKind::kMissed, "bob", 1, "").kind);
    EXPECT_EQ("call 13 exists already",
              phone.model.AddHistory(13, HistoryKind::kOutgoing, "bob", 1, "").why);
    EXPECT_TRUE(phone.seen.empty());
    ASSERT_EQ(1u, phone.model.Calls().size());
    EXPECT_EQ("13 INCOMING_PSTN +15551234 \"Ann\" RINGING 0 s", Describe(phone.model.Calls()[0]));
}

// A sink that answers a notification with a command at once, as a link's mode may, sees the
// change whole: the hold's first text already finds the call held.
TEST(CallModelTest, ANestedCommandFindsTheChangeComplete) {
    Texts answers;
    CallCommands* face = nullptr;
    CallModel calls([&](const std::string& text) {
        answers.push_back(text);
        face->Handle("get call 12 status", answers);
    });
    CallCommands commands(calls);
    face = &commands;
    calls.IncomingCall(12, "alice", "", false);
    calls.SetInProgress(12);
    calls.SetOnHold(12);
    EXPECT_EQ(
        (Texts{"CALL 12 STATUS RINGING", "CALL 12 STATUS RINGING", "CALL 12 STATUS INPROGRESS",
               "CALL 12 STATUS INPROGRESS", "CALL 12 STATUS ONHOLD", "CALL 12 STATUS LOCALHOLD",
               "CALL 12 STATUS LOCALHOLD", "CALL 12 STATUS LOCALHOLD"}),
        answers);
}

// The ticker's timer runs only while a call is answered: idle, ringing and ended calls cost no
// wake-up.
TEST(CallModelTest, DurationsTickEverySecondOnlyWhileACallIsAnswered) {
    platform::ManualClock clock;
    platform::MessageLoop loop{clock};
    Texts seen;
    CallModel model([&seen](const std::string& text) { seen.push_back(text); });
    CallTicker ticker(loop, model);
    EXPECT_FALSE(loop.TimeUntilNextTimer());

    model.IncomingCall(12, "alice", "", false);
    loop.AdvanceBy(std::chrono::seconds(5));
    EXPECT_FALSE(loop.TimeUntilNextTimer());
    seen.clear();

    model.SetInProgress(12);
    loop.AdvanceBy(std::chrono::milliseconds(2999));
    model.SetOnHold(12);  // a held call's time runs on
    loop.AdvanceBy(std::chrono::milliseconds(1));
    model.OutgoingCall(13, "bob", "", false);
    model.RemoteAnswer(13);
    loop.AdvanceBy(std::chrono::seconds(1));
    model.RemoteHangup(12);
    loop.AdvanceBy(std::chrono::seconds(1));
    EXPECT_EQ((Texts{"CALL 12 STATUS INPROGRESS", "CALL 12 DURATION 1", "CALL 12 DURATION 2",
                     "CALL 12 STATUS ONHOLD", "CALL 12 STATUS LOCALHOLD", "CALL 12 DURATION 3",
                     "CALL 13 STATUS ROUTING", "CALL 13 STATUS INPROGRESS", "CALL 12 DURATION 4",
                     "CALL 13 DURATION 1", "CALL 12 STATUS FINISHED", "CALL 13 DURATION 2"}),
              seen);

    model.SetFinished(13);
    EXPECT_FALSE(loop.TimeUntilNextTimer());
    seen.clear();
    loop.AdvanceBy(std::chrono::seconds(10));
    EXPECT_TRUE(seen.empty());
}

}  // namespace
}  // namespace phone_client_sim
