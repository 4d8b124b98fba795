// One family of softphone commands the simulator understands; the simulator asks each handler in
// turn until one takes the command.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace phone_client_sim {

class CommandHandler {
  public:
    virtual ~CommandHandler() = default;
    // Takes `command` when it is one of this handler's, appending the texts that answer it (to
    // the link that sent it) to `replies`. Commands are matched ignoring case, as the softphone
    // does. Returns whether the command was taken.
    virtual bool Handle(std::string_view command, std::vector<std::string>& replies) = 0;
};

// Matches `command` against `prefix` ignoring ASCII case; on a match, the rest of the command.
bool TakePrefix(std::string_view command, std::string_view prefix, std::string_view& rest);
// Whether `a` and `b` are the same word ignoring ASCII case.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
// The words of `text`, which any number of blanks (spaces, tabs) separate, as the softphone
// reads a command.
std::vector<std::string_view> SplitWords(std::string_view text);

}  // namespace phone_client_sim
