// A Retrace mode on the mode tests' stand-in engine, manual clock and fixed time zone, with the
// history's own readings of its entries.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "LCD/Retrace/CRetraceMode.h"
#include "LCD/Retrace/RetraceStrings.h"
#include "modebase/tests/ModeTestFixture.h"
#include "platform/text/Utf8.h"

class RetraceModeTest : public ModeTest<CRetraceMode> {
  public:
    RetraceModeTest() : ModeTest(kRetraceStrings, "retrace") {
        mode.m_startDir = directory_;
        mode.SetSkypeOnline(true);
        engine.TakeCommands();
    }

    // Notifications, one a line, each then whatever it posted: the history never takes the
    // handset for one.
    void Say(const std::string& texts) {
        for (const bool answer : ModeTest::Say(texts)) {
            EXPECT_FALSE(answer) << texts;
        }
    }

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
};
