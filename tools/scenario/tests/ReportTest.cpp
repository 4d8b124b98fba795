// The failure report's pieces: how handset events read, and how lists are cut and marked.
#include "tools/scenario/Report.h"

#include <gtest/gtest.h>

#include <string>

#include "tools/handset-sim/ConsoleView.h"

namespace scenario {
namespace {

using handset_sim::Decoded;
using handset_sim::Event;
using handset_sim::FrameKind;

Event Received(Decoded decoded, std::vector<std::uint8_t> report = {}) {
    return Event(Event::Kind::Received, std::move(report), decoded);
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST(ScenarioReportTest, HandsetEventsReadAsWhatTheHandsetMadeOfThem) {
    EXPECT_EQ("plugged in", handset_sim::DescribeEvent(Event(Event::Kind::Plugged)));
    EXPECT_EQ("unplugged", handset_sim::DescribeEvent(Event(Event::Kind::Unplugged)));
    EXPECT_EQ("2/1 " + std::string(handset_sim::CommandName(2)),
              handset_sim::DescribeEvent(Received({FrameKind::Control, 2, 1})));
    EXPECT_EQ("display image shown",
              handset_sim::DescribeEvent(Received({FrameKind::DisplayShown})));
    EXPECT_EQ("display image dropped: wrong checksum",
              handset_sim::DescribeEvent(Received({FrameKind::DisplayBadCrc})));
    EXPECT_EQ("display transfer broken off",
              handset_sim::DescribeEvent(Received({FrameKind::DisplayBroken})));
    EXPECT_EQ("malformed report: 00 BD FF",
              handset_sim::DescribeEvent(Received({FrameKind::Malformed}, {0x00, 0xBD, 0xFF})));
    // The frames of a transfer are summed up by its outcome.
    EXPECT_FALSE(handset_sim::DescribeEvent(Received({FrameKind::DisplayHeader})));
    EXPECT_FALSE(handset_sim::DescribeEvent(Received({FrameKind::DisplayData})));
}

TEST(ScenarioReportTest, TheCursorMarkStandsBeforeTheFirstEntryStillToBeLookedAt) {
    const std::vector<ReportEntry> entries{{0, "a"}, {4, "b"}, {9, "c"}};
    EXPECT_EQ("events:\n  #0 a\n  #4 b\n  -- the next expectation looks from here --\n  #9 c\n",
              ListSection("events", entries, 5));
    EXPECT_EQ("events:\n  -- the next expectation looks from here --\n  #0 a\n  #4 b\n  #9 c\n",
              ListSection("events", entries, 0));
    // Everything consumed: the mark ends the list.
    EXPECT_EQ("events:\n  #0 a\n  #4 b\n  #9 c\n  -- the next expectation looks from here --\n",
              ListSection("events", entries, 10));
    EXPECT_EQ("lines:\n  #0 a\n  #4 b\n  #9 c\n", ListSection("lines", entries, std::nullopt));
    EXPECT_EQ("lines:\n  (none)\n", ListSection("lines", {}, std::nullopt));
}

TEST(ScenarioReportTest, WhatOthersSaidStaysOneLineAndNeverReachesTheTerminalAsControl) {
    EXPECT_EQ("lines:\n  #3 larkspurd: state: handset online (firmware 1\\n\\x1B[2)\n",
              ListSection("lines", {{3, "larkspurd: state: handset online (firmware 1\n\x1B[2)"}},
                          std::nullopt));
    const Session session({"/nonexistent"});
    const std::string report = FailureReport("s.scn:2: say x\ty", "no command \"a\rb\"", session);
    EXPECT_TRUE(report.starts_with("scenario: FAILED s.scn:2: say x\\ty\n  no command \"a\\rb\"\n"))
        << report;
    // The handset has shown nothing: four blank rows, none of them highlighted.
    EXPECT_NE(report.find("\nhandset LCD, read back from its pixels:\n  row 0 \"\"\n  row 1 \"\"\n"
                          "  row 2 \"\"\n  row 3 \"\"\nlarkspurd states:\n"),
              std::string::npos)
        << report;
}

TEST(ScenarioReportTest, LongListsShowTheirLatestEntries) {
    std::vector<ReportEntry> entries;
    for (std::size_t i = 0; i < kMaxReportedEntries + 50; ++i) {
        entries.push_back({i, "entry"});
    }
    const std::string section = ListSection("commands", entries, 3);
    EXPECT_EQ(kMaxReportedEntries, Count(section, " entry\n"));
    EXPECT_NE(std::string::npos, section.find("  ... 50 earlier\n"));
    EXPECT_EQ(std::string::npos, section.find("#49 entry"));
    EXPECT_NE(std::string::npos, section.find("#50 entry"));
    // The cursor fell among the entries left out: the mark goes before the first one shown.
    EXPECT_NE(std::string::npos,
              section.find("earlier\n  -- the next expectation looks from here --\n  #50 "));
}

// The softphone's models as they are at the failure: its calls, then its voice messages.
TEST(ScenarioReportTest, TheSoftphonesCallsThenItsVoiceMessagesAreListed) {
    Session session({"/nonexistent"});
    ASSERT_TRUE(session.Phone().Calls().IncomingCall(12, "alice", "Alice", false).Ok());
    ASSERT_TRUE(session.Phone().Voicemails().Add(7, 30, 1717171717, "Bob\n").Ok());
    ASSERT_TRUE(session.Phone().Voicemails().Add(8, 5, 1717171800, "").Ok());
    ASSERT_TRUE(session.Phone().Voicemails().Open(8).Ok());
    const std::string report = FailureReport("s.scn:2: expect-voicemail 7 PLAYED", "why", session);
    EXPECT_NE(
        report.find("softphone calls, in order of arrival:\n  12 INCOMING_P2P alice \"Alice\" "
                    "RINGING 0 s\nsoftphone voice messages, in order of arrival:\n"
                    "  7 \"Bob\\n\" 30 s at 1717171717 UNPLAYED\n"
                    "  8 \"\" 5 s at 1717171800 PLAYING, 0 s played\nhandset events:\n"),
        std::string::npos)
        << report;
    EXPECT_NE(FailureReport("x", "y", Session({"/nonexistent"}))
                  .find("softphone voice messages, in order of arrival:\n  (none)\nhandset events"),
              std::string::npos);
}

}  // namespace
}  // namespace scenario
