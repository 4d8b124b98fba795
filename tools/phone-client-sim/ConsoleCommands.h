// The phone-client-sim program's commands on standard input, one a line.
#pragma once

#include <string>
#include <string_view>

namespace phone_client_sim {

struct ConsoleCommand {
    enum class Kind { kNone, kSay, kLogout, kRestart, kGrant, kQuit, kInvalid };
    Kind kind = Kind::kNone;
    std::string text;  // kSay: the notification, as typed
};

// "say TEXT", "logout", "restart", "grant", "quit"; blanks around a keyword are ignored, the text
// of "say" is kept as it is after the one space that follows the keyword. An empty line is
// kNone, anything else kInvalid.
ConsoleCommand ParseConsoleCommand(std::string_view line);

inline constexpr std::string_view kConsoleHelp =
    "commands: say TEXT | logout | restart | grant | quit";

}  // namespace phone_client_sim
