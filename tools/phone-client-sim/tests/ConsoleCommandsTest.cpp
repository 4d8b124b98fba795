// The program's standard-input commands, the call events' arguments among them.
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
    for (const char* line :
         {"say", "sayx", "Quit", "logout now", "help", "calls 12", "Call-in 1 a", "voicemails 7"}) {
        EXPECT_EQ(Kind::kInvalid, ParseConsoleCommand(line).kind) << line;
        EXPECT_EQ("", ParseConsoleCommand(line).text) << line;
    }
    EXPECT_EQ(Kind::kCalls, ParseConsoleCommand(" calls ").kind);
    EXPECT_EQ(Kind::kVoicemails, ParseConsoleCommand("voicemails\r").kind);
}

TEST(ConsoleCommands, VoicemailEventsTakeTheirNumbersAndTheRestOfTheLineAsTheName) {
    struct Case {
        std::string line;
        std::string verb;  // empty: invalid, `name` holds the usage shown
        VoicemailEvent event{};
    };
    const std::string usage = "usage: voicemail ID SECONDS TIMESTAMP [NAME...]";
    const Case cases[] = {
        {"voicemail 7 30 1717171717 Alice  Smith ",
         "voicemail",
         {7, 30, 1717171717, "Alice  Smith "}},
        {"  voicemail-new\t8  1  0  \r", "voicemail-new", {8, 1, 0, ""}},
        {"voicemail 4294967295 4294967295 4294967295",
         "voicemail",
         {4294967295u, 4294967295u, 4294967295, ""}},
        {"voicemail-delete 7", "voicemail-delete", {7, 0, 0, ""}},
        {"voicemail 7 30", "", {0, 0, 0, usage}},
        {"voicemail 0 30 5", "", {0, 0, 0, usage}},
        {"voicemail 7 0 5", "", {0, 0, 0, usage}},  // a message lasts a second at least
        {"voicemail 7 30 -5", "", {0, 0, 0, usage}},
        {"voicemail 7 30 4294967296", "", {0, 0, 0, usage}},
        {"voicemail-new 7 soon 5",
         "",
         {0, 0, 0, "usage: voicemail-new ID SECONDS TIMESTAMP [NAME...]"}},
        {"voicemail-delete 7 8", "", {0, 0, 0, "usage: voicemail-delete ID"}},
        {"voicemail-delete", "", {0, 0, 0, "usage: voicemail-delete ID"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const ConsoleCommand command = ParseConsoleCommand(c.line);
        if (c.verb.empty()) {
            EXPECT_EQ(Kind::kInvalid, command.kind);
            EXPECT_EQ(c.event.name, command.text);
            continue;
        }
        ASSERT_EQ(Kind::kVoicemailEvent, command.kind);
        EXPECT_EQ(c.verb, command.voicemailVerb->name);
        EXPECT_EQ(c.event.id, command.voicemailEvent.id);
        EXPECT_EQ(c.event.seconds, command.voicemailEvent.seconds);
        EXPECT_EQ(c.event.timestamp, command.voicemailEvent.timestamp);
        EXPECT_EQ(c.event.name, command.voicemailEvent.name);
    }
}

TEST(ConsoleCommands, CallEventsTakeTheirArgumentsAndTheRestOfTheLineAsTheName) {
    struct Case {
        std::string line;
        std::string verb;  // empty: invalid, `name` holds the usage shown
        CallEvent event{};
    };
    const std::string historyUsage = "usage: history ID KIND HANDLE TIMESTAMP [NAME...]";
    const Case cases[] = {
        {"call-in 12 alice Alice  Smith ", "call-in", {12, "alice", "Alice  Smith ", 0, "", 0}},
        {"call-in 3 bob", "call-in", {3, "bob", "", 0, "", 0}},
        {"  call-out-pstn   7   +4412  \r", "call-out-pstn", {7, "+4412", "", 0, "", 0}},
        {"remote-hangup\t4294967295", "remote-hangup", {4294967295u, "", "", 0, "", 0}},
        {"remote-fail 12 3", "remote-fail", {12, "", "", 3, "", 0}},
        {"history 9 missed bob 4294967295 Bob  B ",
         "history",
         {9, "bob", "Bob  B ", 0, "missed", 4294967295}},
        {"history  9  in  +4412  0  ", "history", {9, "+4412", "", 0, "in", 0}},
        // The kind is the play's to refuse, as it is in a script.
        {"history 9 sideways bob 5", "history", {9, "bob", "", 0, "sideways", 5}},
        {"call-in 12", "", {0, "", "usage: call-in ID HANDLE [NAME...]", 0, "", 0}},
        {"call-in x alice", "", {0, "", "usage: call-in ID HANDLE [NAME...]", 0, "", 0}},
        {"call-in 0 alice", "", {0, "", "usage: call-in ID HANDLE [NAME...]", 0, "", 0}},
        {"remote-answer 12 13", "", {0, "", "usage: remote-answer ID", 0, "", 0}},
        {"vm-sent 4294967296", "", {0, "", "usage: vm-sent ID", 0, "", 0}},
        {"remote-fail 12", "", {0, "", "usage: remote-fail ID REASON", 0, "", 0}},
        {"remote-fail 12 0", "", {0, "", "usage: remote-fail ID REASON", 0, "", 0}},
        {"history 9 in bob", "", {0, "", historyUsage, 0, "", 0}},
        {"history 9 bob 5", "", {0, "", historyUsage, 0, "", 0}},
        {"history 9 in bob soon", "", {0, "", historyUsage, 0, "", 0}},
        {"history 9 in bob -1", "", {0, "", historyUsage, 0, "", 0}},
        {"history 9 in bob 4294967296", "", {0, "", historyUsage, 0, "", 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const ConsoleCommand command = ParseConsoleCommand(c.line);
        if (c.verb.empty()) {
            EXPECT_EQ(Kind::kInvalid, command.kind);
            EXPECT_EQ(c.event.name, command.text);
            continue;
        }
        ASSERT_EQ(Kind::kCallEvent, command.kind);
        EXPECT_EQ(c.verb, command.verb->name);
        EXPECT_EQ(c.event.id, command.event.id);
        EXPECT_EQ(c.event.handle, command.event.handle);
        EXPECT_EQ(c.event.name, command.event.name);
        EXPECT_EQ(c.event.reason, command.event.reason);
        EXPECT_EQ(c.event.kind, command.event.kind);
        EXPECT_EQ(c.event.timestamp, command.event.timestamp);
    }
}

}  // namespace
}  // namespace phone_client_sim
