// The simulator's typed commands: scan codes, firmware texts and the cable.
#include "tools/handset-sim/Commands.h"

#include <gtest/gtest.h>

namespace handset_sim {
namespace {

using Kind = Command::Kind;

TEST(CommandsTest, NumbersAreScanCodes) {
    EXPECT_EQ(ParseCommand("7").kind, Kind::Key);
    EXPECT_EQ(ParseCommand("7").scanCode, 7);
    EXPECT_EQ(ParseCommand("  255\r\n").scanCode, 255);
    EXPECT_EQ(ParseCommand("0x1f").scanCode, 0x1F);
    EXPECT_EQ(ParseCommand("0").kind, Kind::Key);
}

TEST(CommandsTest, NumbersOutOfRangeOrMalformedAreRefused) {
    for (const char* line : {"256", "-1", "7a", "0x", "0x100", "1 2", "99999999999999999999"}) {
        EXPECT_EQ(ParseCommand(line).kind, Kind::Invalid) << line;
    }
}

TEST(CommandsTest, FirmwareTakesTheRestOfTheLine) {
    const Command fw = ParseCommand("fw  V1.23 ");
    EXPECT_EQ(fw.kind, Kind::Firmware);
    EXPECT_EQ(fw.text, "V1.23");
    EXPECT_EQ(ParseCommand("fw").kind, Kind::Invalid);
    EXPECT_EQ(ParseCommand("fwx").kind, Kind::Invalid);
}

TEST(CommandsTest, WordsAndEmptyLines) {
    EXPECT_EQ(ParseCommand("plug").kind, Kind::Plug);
    EXPECT_EQ(ParseCommand(" unplug ").kind, Kind::Unplug);
    EXPECT_EQ(ParseCommand("quit").kind, Kind::Quit);
    EXPECT_EQ(ParseCommand("").kind, Kind::None);
    EXPECT_EQ(ParseCommand(" \t ").kind, Kind::None);
    EXPECT_EQ(ParseCommand("plugged").kind, Kind::Invalid);
}

}  // namespace
}  // namespace handset_sim
