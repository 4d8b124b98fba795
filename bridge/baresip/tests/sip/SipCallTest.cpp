// Calls between the handset and a real SIP party, end to end: the far baresip calls or is
// called, the near baresip is the system's softphone through kestrel-baresip, and what the
// handset shows, what the far party hears of it and what the history keeps are checked.
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/baresip/tests/sip/SipTestBed.h"

namespace sip_test {
namespace {

// The Call mode's and the history's English texts.
constexpr std::string_view kRinging = "Ringing...";
constexpr std::string_view kTalking = "In Progress...";
constexpr std::string_view kOnHold = "Call on hold";
constexpr std::string_view kFinished = "Finished";
constexpr std::string_view kNoAnswer = "No Answer";  // an incoming call missed
constexpr std::string_view kRefused = "User Busy";   // an outgoing call refused
// The history screen: its icon (read as "??") and counter, the partner's name after a blank.
constexpr std::string_view kOneOfOne = "??1/1";
constexpr std::string_view kHistoryFar = " far";

constexpr std::string_view kHistoryHeader = "kestrel-baresip history 1";

// One line of the bridge's history file: id, status, in|out, timestamp, duration, failure
// reason, seen, handle, name, tab-separated under a header line.
struct HistoryCall {
    std::string status;
    std::string direction;
    bool seen = false;
    std::string handle;
    std::string name;
};

std::vector<HistoryCall> HistoryCalls(const std::string& text) {
    std::vector<HistoryCall> calls;
    std::size_t start = text.find('\n');
    if (text.substr(0, start) != kHistoryHeader) {
        return calls;
    }
    while (start != std::string::npos && start + 1 < text.size()) {
        const std::size_t end = text.find('\n', start + 1);
        const std::string line = text.substr(start + 1, end - start - 1);
        start = end;
        std::vector<std::string> fields;
        std::size_t from = 0;
        for (std::size_t tab = line.find('\t'); tab != std::string::npos;
             tab = line.find('\t', from)) {
            fields.push_back(line.substr(from, tab - from));
            from = tab + 1;
        }
        fields.push_back(line.substr(from));
        if (fields.size() == 9) {
            calls.push_back({fields[1], fields[2], fields[6] == "1", fields[7], fields[8]});
        }
    }
    return calls;
}

// "STATUS in|out seen|unseen handle name" for comparing the history's calls whole.
std::vector<std::string> Described(const std::vector<HistoryCall>& calls) {
    std::vector<std::string> described;
    for (const HistoryCall& call : calls) {
        described.push_back(call.status + " " + call.direction + " " +
                            (call.seen ? "seen " : "unseen ") + call.handle + " " + call.name);
    }
    return described;
}

// A received call from the far party an hour ago, as the bridge keeps it.
std::string HistoryWithReceivedCall(const BaresipProcess& far) {
    const auto hourAgo = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count() -
                         3600;
    return std::string(kHistoryHeader) + "\n1\tFINISHED\tin\t" + std::to_string(hourAgo) +
           "\t42\t0\t1\t" + far.Handle() + "\tfar\n";
}

class SipCallTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::string missing = SipTestBed::MissingPrerequisite(); !missing.empty()) {
            GTEST_SKIP() << missing;
        }
    }

    void TearDown() override {
        if (HasFailure()) {
            std::cerr << bed_.Report() << std::flush;
        }
        EXPECT_EQ("", bed_.Stop());
    }

    // Whether the history file comes to hold exactly these calls (Described), the newest first.
    bool HistoryBecomes(const std::vector<std::string>& calls) {
        return bed_.PumpUntil([&] { return Described(HistoryCalls(bed_.HistoryText())) == calls; });
    }

    // Brings the history up on the received calls and calls the one shown back; the far party
    // must be rung by the near baresip.
    void CallBackFromHistory() {
        // The history mode lists what it knows when its key brings it up, so the user looks
        // once the bridge has answered the last question about the call (its time), as its
        // debug output shows.
        ASSERT_TRUE(bed_.WaitForBridgeLine("link -> CALL 1 TIMESTAMP"));
        ASSERT_TRUE(bed_.Press(kKeyReceived));
        ASSERT_TRUE(bed_.WaitForRow(0, kOneOfOne));
        ASSERT_TRUE(bed_.WaitForRow(1, kHistoryFar));
        farFrom_ = bed_.FarControl().Count();
        ASSERT_TRUE(bed_.Press(kKeyAnswer));
        const std::optional<ControlMessage> incoming =
            bed_.WaitForFarEvent("CALL_INCOMING", farFrom_);
        ASSERT_TRUE(incoming) << "the far party was not called";
        EXPECT_EQ(bed_.Near().Uri(), incoming->Member("peeruri"));
        // The Call mode takes the handset for the call placed from the history.
        ASSERT_TRUE(bed_.WaitForRow(1, "far"));
        ASSERT_TRUE(bed_.WaitForRow(2, kRinging));
    }

    // The far party dials the near one; the handset rings with the bed's melody and shows the
    // caller.
    void FarCalls() {
        const std::size_t handsetFrom = bed_.HandsetMark();
        farFrom_ = bed_.FarControl().Count();
        ASSERT_NE("", bed_.FarControl().Send("dial", bed_.Near().Uri()));
        ASSERT_TRUE(bed_.WaitForControl(kRingerCommand, kRingerMelody, handsetFrom))
            << "the handset did not ring";
        ASSERT_TRUE(bed_.WaitForRow(1, "far"));
        ASSERT_TRUE(bed_.WaitForRow(2, kRinging));
    }

    // Answers the ringing call on the handset; the far party's call is established.
    void AnswerOnHandset() {
        const std::size_t handsetFrom = bed_.HandsetMark();
        ASSERT_TRUE(bed_.Press(kKeyAnswer));
        ASSERT_TRUE(bed_.WaitForFarEvent("CALL_ESTABLISHED", farFrom_))
            << "the far party's call was not answered";
        ASSERT_TRUE(bed_.WaitForRow(2, kTalking));
        EXPECT_TRUE(bed_.WaitForControl(kRingerCommand, 0, handsetFrom)) << "the ringer went on";
    }

    SipTestBed bed_;
    std::size_t farFrom_ = 0;  // the far party's first message about the call under test
};

TEST_F(SipCallTest, TheFarPartysCallIsAnsweredHeldResumedAndHungUpOnTheHandset) {
    ASSERT_EQ("", bed_.Start());
    ASSERT_NO_FATAL_FAILURE(FarCalls());
    ASSERT_NO_FATAL_FAILURE(AnswerOnHandset());
    const std::size_t established =
        bed_.FarControl().FindEvent("CALL_ESTABLISHED", farFrom_)->index;

    // Holding and resuming re-invite the far party: each reaches it as a new SDP offer.
    ASSERT_TRUE(bed_.Press(kKeyHold));
    ASSERT_TRUE(bed_.WaitForRow(2, kOnHold));
    const std::optional<ControlMessage> held =
        bed_.WaitForFarEvent("CALL_REMOTE_SDP", established + 1, "offer");
    ASSERT_TRUE(held) << "the hold did not reach the far party";
    ASSERT_TRUE(bed_.Press(kKeyAnswer));
    ASSERT_TRUE(bed_.WaitForRow(2, kTalking));
    EXPECT_TRUE(bed_.WaitForFarEvent("CALL_REMOTE_SDP", held->index + 1, "offer"))
        << "the resume did not reach the far party";

    ASSERT_TRUE(bed_.Press(kKeyHangUp));
    ASSERT_TRUE(bed_.WaitForFarEvent("CALL_CLOSED", farFrom_)) << "the far party's call goes on";
    EXPECT_TRUE(bed_.WaitForRow(1, "far"));
    EXPECT_TRUE(bed_.WaitForRow(2, kFinished));
    EXPECT_TRUE(HistoryBecomes({"FINISHED in seen " + bed_.Far().Handle() + " far"}));

    // A key dismisses the end screen; the received calls then list the call.
    ASSERT_TRUE(bed_.Press(kKeyHangUp));
    ASSERT_TRUE(bed_.Press(kKeyReceived));
    EXPECT_TRUE(bed_.WaitForRow(0, kOneOfOne));
    EXPECT_TRUE(bed_.WaitForRow(1, kHistoryFar));
}

TEST_F(SipCallTest, ACallTheFarPartyGivesUpIsMissedAndUnseenUntilShown) {
    ASSERT_EQ("", bed_.Start());
    ASSERT_NO_FATAL_FAILURE(FarCalls());
    const std::size_t handsetFrom = bed_.HandsetMark();
    ASSERT_NE("", bed_.FarControl().Send("hangup"));
    ASSERT_TRUE(bed_.WaitForFarEvent("CALL_CLOSED", farFrom_));
    EXPECT_TRUE(bed_.WaitForControl(kRingerCommand, 0, handsetFrom)) << "the ringer went on";
    EXPECT_TRUE(bed_.WaitForRow(1, "far"));
    EXPECT_TRUE(bed_.WaitForRow(2, kNoAnswer));
    EXPECT_TRUE(HistoryBecomes({"MISSED in unseen " + bed_.Far().Handle() + " far"}));

    // Shown on the missed calls' screen, it is marked seen, and the file keeps that.
    ASSERT_TRUE(bed_.Press(kKeyHangUp));
    ASSERT_TRUE(bed_.Press(kKeyMissed));
    EXPECT_TRUE(bed_.WaitForRow(0, kOneOfOne));
    EXPECT_TRUE(bed_.WaitForRow(1, kHistoryFar));
    EXPECT_TRUE(HistoryBecomes({"MISSED in seen " + bed_.Far().Handle() + " far"}));
}

TEST_F(SipCallTest, TheHistoryCallsTheFarPartyBackAndTheCallIsTalkedOnTheHandset) {
    ASSERT_EQ("", bed_.Start([this] { return HistoryWithReceivedCall(bed_.Far()); }));
    ASSERT_NO_FATAL_FAILURE(CallBackFromHistory());
    ASSERT_NE("", bed_.FarControl().Send("accept"));
    ASSERT_TRUE(bed_.WaitForFarEvent("CALL_ESTABLISHED", farFrom_));
    ASSERT_TRUE(bed_.WaitForRow(1, "far"));
    ASSERT_TRUE(bed_.WaitForRow(2, kTalking));

    ASSERT_TRUE(bed_.Press(kKeyHangUp));
    ASSERT_TRUE(bed_.WaitForFarEvent("CALL_CLOSED", farFrom_));
    EXPECT_TRUE(bed_.WaitForRow(2, kFinished));
    const std::string far = bed_.Far().Handle();
    EXPECT_TRUE(
        HistoryBecomes({"FINISHED out seen " + far + " far", "FINISHED in seen " + far + " far"}));
}

// The far party hangs up the call ringing there: baresip rejects it (486), which the handset
// shows as the far end refusing.
TEST_F(SipCallTest, AFarPartyThatRejectsTheCallBackIsShownRefusing) {
    ASSERT_EQ("", bed_.Start([this] { return HistoryWithReceivedCall(bed_.Far()); }));
    ASSERT_NO_FATAL_FAILURE(CallBackFromHistory());
    ASSERT_NE("", bed_.FarControl().Send("hangup"));
    ASSERT_TRUE(bed_.WaitForFarEvent("CALL_CLOSED", farFrom_));
    EXPECT_TRUE(bed_.WaitForRow(1, "far"));
    EXPECT_TRUE(bed_.WaitForRow(2, kRefused));
    const std::string far = bed_.Far().Handle();
    EXPECT_TRUE(
        HistoryBecomes({"REFUSED out seen " + far + " far", "FINISHED in seen " + far + " far"}));
}

// baresip dying in a call is the system's softphone dying: the call ends, the link goes, and the
// link comes back when baresip does, a call ringing on the handset again.
TEST_F(SipCallTest, KillingBaresipInACallDropsTheLinkAndItsRestartAttachesAgain) {
    ASSERT_EQ("", bed_.Start());
    ASSERT_NO_FATAL_FAILURE(FarCalls());
    ASSERT_NO_FATAL_FAILURE(AnswerOnHandset());

    bed_.Near().Kill();
    ASSERT_TRUE(bed_.WaitForBridgeLine("baresip went away"));
    // The call went with the softphone, told ended before the link closed: the handset shows
    // its end, never the call talking on.
    EXPECT_TRUE(bed_.WaitForRow(2, kFinished))
        << "the handset still shows the call of the softphone that died";
    ASSERT_TRUE(bed_.WaitForHostState("softphone not attached"));
    EXPECT_TRUE(HistoryBecomes({"FINISHED in seen " + bed_.Far().Handle() + " far"}));

    ASSERT_TRUE(bed_.RestartNear());
    ASSERT_TRUE(bed_.WaitForBridgeLine("connected to baresip", 2));
    ASSERT_TRUE(bed_.WaitForHostState("softphone attached"));

    // The far party ends its half of the dead call and calls again.
    const std::size_t before = bed_.FarControl().Count();
    ASSERT_NE("", bed_.FarControl().Send("hangup"));
    ASSERT_TRUE(bed_.WaitForFarEvent("CALL_CLOSED", before));
    ASSERT_NO_FATAL_FAILURE(FarCalls());
}

}  // namespace
}  // namespace sip_test
