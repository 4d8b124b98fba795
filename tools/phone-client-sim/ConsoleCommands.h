// The phone-client-sim program's commands on standard input, one a line.
#pragma once

#include <string>
#include <string_view>

#include "tools/phone-client-sim/CallEvents.h"
#include "tools/phone-client-sim/VoicemailEvents.h"

namespace phone_client_sim {

struct ConsoleCommand {
    enum class Kind {
        kNone,
        kSay,
        kLogout,
        kRestart,
        kGrant,
        kCalls,
        kCallEvent,
        kVoicemails,
        kVoicemailEvent,
        kQuit,
        kInvalid,
    };
    Kind kind = Kind::kNone;
    std::string text;                     // kSay: the notification, as typed; kInvalid: the usage
                                          // of an event given wrong arguments, or empty
    const CallEventVerb* verb = nullptr;  // kCallEvent
    CallEvent event{};                    // kCallEvent
    const VoicemailEventVerb* voicemailVerb = nullptr;  // kVoicemailEvent
    VoicemailEvent voicemailEvent{};                    // kVoicemailEvent
};

// "say TEXT", "logout", "restart", "grant", "calls", "voicemails", "quit", a call event of
// CallEvents.h ("call-in 12 alice Alice Smith", "remote-hangup 12", "history 9 in bob 1717171717
// Bob") or a voice-message event of VoicemailEvents.h ("voicemail 7 30 1717171717 Alice"). Blanks
// around words are ignored; the text of "say" is kept as it is after the one space that follows
// the keyword, and so is the name of an event after the word or number before it. An empty line
// is kNone, anything else kInvalid.
ConsoleCommand ParseConsoleCommand(std::string_view line);

// One line naming every command, for a line that is none of them.
std::string ConsoleHelp();

}  // namespace phone_client_sim
