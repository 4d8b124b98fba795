// A day of calls from the softphone simulator's model, through the real engine to the Call mode.
#include <algorithm>
#include <functional>

#include "LCD/Call/tests/CallEngineFixture.h"

namespace {

using CallThroughEngineTest = CallEngineFixture;

TEST_F(CallThroughEngineTest, ACallAnsweredAConferenceJoinedAndBothEnded) {
    using phone_client_sim::CallResult;
    struct Step {
        const char* what;
        std::function<CallResult(phone_client_sim::CallModel&)> event;
        const char* table;
        int selected;
    };
    const Step steps[] = {
        {"alice calls", [](auto& m) { return m.IncomingCall(21, "alice", "Alice Smith", false); },
         "21 Alice Smith 2 1 \n", 0},
        {"answered on the PC", [](auto& m) { return m.SetInProgress(21); }, "21 Alice Smith 2 2 \n",
         0},
        // Dialled while alice talks: the mode joins it with her call at once.
        {"bob is dialled", [](auto& m) { return m.OutgoingCall(22, "bob", "Bob", false); },
         "21 Alice Smith 2 2 21\n22 Bob 3 0 21\n", 1},
        {"bob's phone rings", [](auto& m) { return m.RemoteRing(22); },
         "21 Alice Smith 2 2 21\n22 Bob 3 1 21\n", 1},
        {"bob answers", [](auto& m) { return m.RemoteAnswer(22); },
         "21 Alice Smith 2 2 21\n22 Bob 3 2 21\n", 1},
        {"bob hangs up", [](auto& m) { return m.RemoteHangup(22); }, "21 Alice Smith 2 2 21\n", 0},
        {"alice hangs up", [](auto& m) { return m.RemoteHangup(21); }, "", -1},
    };
    for (const Step& step : steps) {
        const CallResult result = step.event(model);
        ASSERT_TRUE(result.Ok()) << step.what << ": " << result.why;
        Deliver();
        EXPECT_EQ(step.table, Table()) << step.what;
        EXPECT_EQ(step.selected, mode.m_curCall) << step.what;
    }
    EXPECT_EQ(CCallMode::kEndFinished, mode.m_endKind);
    EXPECT_EQ(L"Alice Smith", mode.m_endName);
    EXPECT_TRUE(mode.IsActived());  // until the end screen times out
    // The ringer rang once, for alice, with the melody of bell 3, and stopped after.
    const std::vector<enginetest::Command>& sent = links.hid.commands;
    const auto rang = std::find(sent.begin(), sent.end(), enginetest::Command(3, 2));
    ASSERT_NE(sent.end(), rang);
    EXPECT_EQ(1, std::count(sent.begin(), sent.end(), enginetest::Command(3, 2)));
    EXPECT_NE(sent.end(), std::find(rang, sent.end(), enginetest::Command(3, 0)));
}

}  // namespace
