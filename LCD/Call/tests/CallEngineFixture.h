// The Call mode behind the real engine, driven by the softphone simulator's model of calls: what
// the model notifies reaches the mode through the engine, and what the mode asks reaches the
// model, as over the client link. The handset's keys come as scan codes through the sample
// KeyDefine.ini.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <sstream>
#include <string>

#include "LCD/Call/CCallMode.h"
#include "LCD/Call/CallStrings.h"
#include "engine/CEmualtor.h"
#include "engine/hid/HandsetProtocol.h"
#include "engine/tests/EngineFakes.h"
#include "modebase/ModePlugin.h"
#include "platform/text/Utf8.h"
#include "tools/phone-client-sim/CallCommands.h"
#include "tools/phone-client-sim/CallModel.h"

class CallEngineFixture : public ::testing::Test {
  public:
    explicit CallEngineFixture(const std::string& phoneSet = "bell=3\n") {
        dir.Write("KestrelCFG.ini", "[PhoneSet]\nlang=1033\n" + phoneSet);
        std::filesystem::copy_file(
            std::filesystem::path(std::getenv("KESTREL_PROGRAM_DIR")) / "KeyDefine.ini",
            dir.Path() / "KeyDefine.ini");
        engine = std::make_unique<CEmualtor>(links, dir.Path());
        engine->Create(host.Handle());
        mode.m_startDir = dir.Path();
        mode.m_langID = 0x0409;
        mode.CreateDialog();
        BindModeToEngine(mode, kCallStrings, engine->Handle(), 0, true, true);
        engine->AddMode(&mode);
        engine->AddMode(&other);
        loop.ProcessReady();
    }

    // The handset sends a key report; what it leads to is played out.
    void Press(std::uint8_t scanCode) {
        platform::PostMessage(engine->Handle(), RegisteredMessages::Get().hidDataReceived,
                              (handset::kKeyReport << 16) | (scanCode << 8), 0);
        loop.ProcessReady();
        Deliver();
    }
    // Time passes on the manual clock, the link played out after every tick.
    void Wait(std::chrono::milliseconds time) {
        for (auto left = time; left.count() > 0; left -= std::chrono::milliseconds(50)) {
            loop.AdvanceBy(std::min(left, std::chrono::milliseconds(50)));
            Deliver();
        }
    }
    // The commands the mode sent since the last call.
    std::vector<std::string> NewCommands() {
        std::vector<std::string> sent(links.skype.sent.begin() + static_cast<std::ptrdiff_t>(seen),
                                      links.skype.sent.end());
        seen = links.skype.sent.size();
        return sent;
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
    enginetest::TempDir dir;
    enginetest::FakeLinkFactory links;
    enginetest::RecordingHost host;
    std::unique_ptr<CEmualtor> engine;
    CCallMode mode;
    std::deque<std::string> pending;
    phone_client_sim::CallModel model{[this](const std::string& text) { pending.push_back(text); }};
    phone_client_sim::CallCommands commands{model};
    std::size_t answered = 0;
    std::size_t seen = 0;
    // Another mode, which is offered the keys the Call mode lets go.
    enginetest::ScriptedMode other{"other"};
};
