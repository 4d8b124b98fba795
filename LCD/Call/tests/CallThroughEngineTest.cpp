// The Call mode behind the real engine, driven by the softphone simulator's model of calls: what
// the model notifies reaches the mode through the engine, and what the mode asks reaches the
// model, as over the client link.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <sstream>
#include <string>

#include "LCD/Call/CCallMode.h"
#include "LCD/Call/CallStrings.h"
#include "engine/CEmualtor.h"
#include "engine/tests/EngineFakes.h"
#include "modebase/ModePlugin.h"
#include "platform/text/Utf8.h"
#include "tools/phone-client-sim/CallCommands.h"
#include "tools/phone-client-sim/CallModel.h"

namespace {

using enginetest::FakeLinkFactory;
using enginetest::RecordingHost;
using enginetest::TempDir;

class CallThroughEngineTest : public ::testing::Test {
  protected:
    CallThroughEngineTest() {
        dir.Write("KestrelCFG.ini", "[PhoneSet]\nbell=3\nlang=1033\n");
        engine = std::make_unique<CEmualtor>(links, dir.Path());
        engine->Create(host.Handle());
        mode.m_startDir = dir.Path();
        mode.m_langID = 0x0409;
        mode.CreateDialog();
        BindModeToEngine(mode, kCallStrings, engine->Handle(), 0, true, true);
        engine->AddMode(&mode);
        loop.ProcessReady();
    }

    // Plays the link both ways until nothing is left: the model's texts to the engine, the
    // commands the mode sent to the model.
    void Deliver() {
        for (int round = 0; round < 100; ++round) {
            while (!pending.empty()) {
                links.skype.lastText = pending.front();
                pending.pop_front();
                platform::SendMessage(engine->Handle(),
                                      RegisteredMessages::Get().skypeMessageReceived, 0, 0);
                loop.ProcessReady();
            }
            if (answered == links.skype.sent.size()) {
                return;
            }
            while (answered < links.skype.sent.size()) {
                std::vector<std::string> replies;
                commands.Handle(links.skype.sent[answered++], replies);
                pending.insert(pending.end(), replies.begin(), replies.end());
            }
        }
        FAIL() << "the link never settled";
    }

    std::string Table() const {
        std::ostringstream out;
        for (const CallRecord& call : mode.m_calls) {
            out << (call.IsParticipant() ? "-" : platform::ToUtf8(call.CallID)) << ' '
                << platform::ToUtf8(call.DisplayName) << ' ' << call.CallType << ' '
                << call.CallState << ' ' << platform::ToUtf8(call.ConfID) << '\n';
        }
        return out.str();
    }

    platform::ManualClock clock;
    platform::MessageLoop loop{clock};
    TempDir dir;
    FakeLinkFactory links;
    RecordingHost host;
    std::unique_ptr<CEmualtor> engine;
    CCallMode mode;
    std::deque<std::string> pending;
    phone_client_sim::CallModel model{[this](const std::string& text) { pending.push_back(text); }};
    phone_client_sim::CallCommands commands{model};
    std::size_t answered = 0;
};

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
