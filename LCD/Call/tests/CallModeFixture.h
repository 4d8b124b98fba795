// A Call mode bound to a stand-in engine that records what the mode asks of it and may answer a
// command at once, as the softphone can (so that notifications arrive nested in a send).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "LCD/Call/CCallMode.h"
#include "LCD/Call/CallStrings.h"
#include "common/Messages.h"
#include "modebase/ModePlugin.h"
#include "modebase/tests/RecordingEngine.h"
#include "platform/text/Utf8.h"

class CallModeTest : public ::testing::Test {
  public:
    CallModeTest() {
        std::filesystem::create_directories(directory_);
        WriteSettings("");
        mode.m_startDir = directory_;
        mode.m_langID = 0x0409;
        mode.CreateDialog();
        BindModeToEngine(mode, kCallStrings, engine.Handle(), 0, true, true);
        mode.SetSkypeOnline(true);
    }
    ~CallModeTest() override { std::filesystem::remove_all(directory_); }

    // KestrelCFG.ini's [PhoneSet] section, e.g. "bell=3\nsync=1\n".
    void WriteSettings(const std::string& phoneSet) {
        std::ofstream(directory_ / "KestrelCFG.ini") << "[PhoneSet]\n" << phoneSet;
    }

    // The notification, then whatever it posted.
    bool Say(const std::string& text) {
        const bool result = mode.ProcessSkypeMsg(platform::FromUtf8(text));
        loop.ProcessReady();
        return result;
    }

    // The table, one record a line: "id handle name type state conf", "-" for an empty field.
    std::string Table() const {
        std::ostringstream out;
        for (const CallRecord& call : mode.m_calls) {
            const auto field = [](const std::wstring& text) {
                return text.empty() ? std::string("-") : platform::ToUtf8(text);
            };
            out << field(call.CallID) << ' ' << field(call.Handle) << ' ' << field(call.DisplayName)
                << ' ' << call.CallType << ' ' << call.CallState << ' ' << field(call.ConfID)
                << '\n';
        }
        return out.str();
    }

    const std::filesystem::path directory_ =
        std::filesystem::path(testing::TempDir()) /
        ("call-mode-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    platform::ManualClock clock;
    platform::MessageLoop loop{clock};
    RecordingEngine engine;
    CCallMode mode;
};
