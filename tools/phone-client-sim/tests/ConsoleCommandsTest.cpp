// The program's standard-input commands.
#include "tools/phone-client-sim/ConsoleCommands.h"

#include <gtest/gtest.h>

namespace phone_client_sim {
namespace {

using Kind = ConsoleCommand::Kind;

TEST(ConsoleCommands, KeywordsAndTheTextOfSay) {
    EXPECT_EQ(Kind::kNone, ParseConsoleCommand("").kind);
    EXPECT_EQ(Kind::kNone, ParseConsoleCommand("  \t").kind);
    EXPECT_EQ(Kind::kLogout, ParseConsoleCommand(" logout ").kind);
    EXPECT_EQ(Kind::kRestart, ParseConsoleCommand("restart\r").kind);
    EXPECT_EQ(Kind::kGrant, ParseConsoleCommand("grant").kind);
    EXPECT_EQ(Kind::kQuit, ParseConsoleCommand("quit").kind);

    const ConsoleCommand say = ParseConsoleCommand("say CALL 12 STATUS RINGING ");
    EXPECT_EQ(Kind::kSay, say.kind);
    EXPECT_EQ("CALL 12 STATUS RINGING ", say.text);  // trailing blanks are part of the text
    EXPECT_EQ(" two", ParseConsoleCommand("  say  two").text);
}

TEST(ConsoleCommands, AnythingElseIsInvalid) {
    for (const char* line : {"say", "sayx", "Quit", "logout now", "help"}) {
        EXPECT_EQ(Kind::kInvalid, ParseConsoleCommand(line).kind) << line;
    }
}

}  // namespace
}  // namespace phone_client_sim
