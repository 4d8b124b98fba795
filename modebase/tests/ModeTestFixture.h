// A mode's tests: the mode bound to a stand-in engine that records what the mode asks of it, on
// the manual clock, in its own directory, in a fixed time zone (UTC+8) so that dates and times
// read the same everywhere.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>

#include "modebase/ModePlugin.h"
#include "modebase/tests/RecordingEngine.h"
#include "platform/text/Utf8.h"

template <class Mode>
class ModeTest : public ::testing::Test {
  public:
    ModeTest(const StringTable& strings, const char* name) : directory_(Directory(name)) {
        ::setenv("TZ", "CST-8", 1);
        ::tzset();
        std::filesystem::create_directories(directory_);
        mode.m_langID = 0x0409;
        mode.CreateDialog();
        BindModeToEngine(mode, strings, engine.Handle(), 0, true, true);
    }
    ~ModeTest() override {
        std::filesystem::remove_all(directory_);
        ::unsetenv("TZ");
        ::tzset();
    }

    // Notifications, one a line, each then whatever it posted; what the mode answered to each.
    std::vector<bool> Say(const std::string& texts) {
        std::vector<bool> answers;
        std::istringstream lines(texts);
        for (std::string line; std::getline(lines, line);) {
            answers.push_back(mode.ProcessSkypeMsg(platform::FromUtf8(line)));
            loop.ProcessReady();
        }
        return answers;
    }
    // Time passes on the manual clock, every timer ticking at its own time.
    void Pass(std::chrono::milliseconds time) { loop.AdvanceBy(time); }

    static std::filesystem::path Directory(const char* name) {
        return std::filesystem::path(testing::TempDir()) /
               (std::string(name) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
    }

    const std::filesystem::path directory_;
    platform::ManualClock clock;
    platform::MessageLoop loop{clock};
    RecordingEngine engine;
    Mode mode;
};
