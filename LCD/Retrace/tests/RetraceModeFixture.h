// A Retrace mode bound to a stand-in engine that records what the mode asks of it, on the manual
// clock, in a fixed time zone (UTC+8) so that the calls' times read the same everywhere.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "LCD/Retrace/CRetraceMode.h"
#include "LCD/Retrace/RetraceStrings.h"
#include "modebase/ModePlugin.h"
#include "modebase/tests/RecordingEngine.h"
#include "platform/text/Utf8.h"

class RetraceModeTest : public ::testing::Test {
  public:
    RetraceModeTest() {
        ::setenv("TZ", "CST-8", 1);
        ::tzset();
        std::filesystem::create_directories(directory_);
        mode.m_startDir = directory_;
        mode.m_langID = 0x0409;
        mode.CreateDialog();
        BindModeToEngine(mode, kRetraceStrings, engine.Handle(), 0, true, true);
        mode.SetSkypeOnline(true);
        engine.TakeCommands();
    }
    ~RetraceModeTest() override {
        std::filesystem::remove_all(directory_);
        ::unsetenv("TZ");
        ::tzset();
    }

    // Notifications, one a line, each then whatever it posted.
    void Say(const std::string& texts) {
        std::istringstream lines(texts);
        for (std::string line; std::getline(lines, line);) {
            EXPECT_FALSE(mode.ProcessSkypeMsg(platform::FromUtf8(line))) << line;
            loop.ProcessReady();
        }
    }
    // Time passes on the manual clock, every timer ticking at its own time.
    void Pass(std::chrono::milliseconds time) { loop.AdvanceBy(time); }

    // An entry as "id dir handle|name 2026-12-09 16:05:03 seen status", the handle and name
    // between quotes so that their blanks show.
    static std::string Dump(const HistoryEntry& e) {
        char time[64];
        std::snprintf(time, sizeof time, "%04u-%02u-%02u %02u:%02u:%02u", e.time.wYear,
                      e.time.wMonth, e.time.wDay, e.time.wHour, e.time.wMinute, e.time.wSecond);
        std::ostringstream out;
        out << platform::ToUtf8(e.id) << ' ' << e.direction << " \""
            << platform::ToUtf8(e.partnerHandle) << "\" \"" << platform::ToUtf8(e.displayName)
            << "\" " << time << ' ' << e.seen << ' ' << e.status;
        return out.str();
    }
    // The ids of a list, "3 2 1".
    static std::string Ids(const std::vector<HistoryEntry>& list) {
        std::string ids;
        for (const HistoryEntry& entry : list) {
            ids += ids.empty() ? "" : " ";
            ids += platform::ToUtf8(entry.id);
        }
        return ids;
    }

    const std::filesystem::path directory_ =
        std::filesystem::path(testing::TempDir()) /
        ("retrace-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    platform::ManualClock clock;
    platform::MessageLoop loop{clock};
    RecordingEngine engine;
    CRetraceMode mode;
};
