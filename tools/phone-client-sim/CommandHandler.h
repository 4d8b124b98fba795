// One family of softphone commands the simulator understands; the simulator asks each handler in
// turn until one takes the command.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/text/CommandWords.h"

namespace phone_client_sim {

class CommandHandler {
  public:
    virtual ~CommandHandler() = default;
    // Takes `command` when it is one of this handler's, appending the texts that answer it (to
    // the link that sent it) to `replies`. Commands are matched ignoring case, as the softphone
    // does. Returns whether the command was taken.
    virtual bool Handle(std::string_view command, std::vector<std::string>& replies) = 0;
};

// The words of a command, as the softphone reads them.
using platform::EqualsIgnoringCase;
using platform::SplitWords;
using platform::TakePrefix;

}  // namespace phone_client_sim
