// Plays a parsed script on a session and says where it failed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "tools/scenario/Outcome.h"
#include "tools/scenario/Script.h"
#include "tools/scenario/Session.h"

namespace scenario {

struct Failure {
    const Step* step = nullptr;  // nullptr: the start or the end of the run failed
    std::string detail;
};

// Prepares the session, plays the steps that open the script and can play before larkspurd starts
// (settings), starts it, plays the other steps in order until one fails, then stops the host if
// the script has not. Each step is traced in the debug log ("kestrel scenario: 12: plug") before it
// runs.
std::optional<Failure> Play(Session& session, const std::vector<Step>& steps);

}  // namespace scenario
