// An engine on the manual clock with fake links, a recording host and a start directory of its
// own.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "engine/hid/HandsetProtocol.h"
#include "engine/tests/EngineFakes.h"

namespace enginetest {

class EngineFixture : public ::testing::Test {
  protected:
    // Creates the engine; write the start directory's files before.
    void Start() {
        engine = std::make_unique<CEmualtor>(links, dir.Path());
        engine->Create(host.Handle());
        loop.ProcessReady();
    }
    ScriptedMode& AddMode(const std::string& name) {
        modes.push_back(std::make_unique<ScriptedMode>(name));
        engine->AddMode(modes.back().get());
        return *modes.back();
    }
    void Post(platform::MessageId message, platform::WPARAM wParam, platform::LPARAM lParam) {
        platform::PostMessage(engine->Handle(), message, wParam, lParam);
        loop.ProcessReady();
    }
    // The handset sends a key report with this scan code.
    void PressScan(std::uint8_t scanCode) {
        Post(Msg().hidDataReceived, (handset::kKeyReport << 16) | (scanCode << 8), 0);
    }
    // The softphone link hands the engine a text.
    void SkypeSays(const std::string& text) {
        links.skype.lastText = text;
        platform::SendMessage(engine->Handle(), Msg().skypeMessageReceived, 0, 0);
        loop.ProcessReady();
    }
    std::vector<Command>& HidCommands() { return links.hid.commands; }
    std::size_t CountOf(Command command) {
        return static_cast<std::size_t>(
            std::count(HidCommands().begin(), HidCommands().end(), command));
    }

    platform::ManualClock clock;
    platform::MessageLoop loop{clock};
    TempDir dir;
    FakeLinkFactory links;
    RecordingHost host;
    std::vector<std::unique_ptr<ScriptedMode>> modes;
    std::unique_ptr<CEmualtor> engine;
};

}  // namespace enginetest
