// The far end's call events and the voice-mail states by the names the simulator's console and
// scenario scripts give them ("call-in 12 alice Alice Smith", "remote-answer 12"): what a line
// holds after the name, and the CallModel event it plays.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "tools/phone-client-sim/CallModel.h"

namespace phone_client_sim {

enum class CallEventShape {
    // "12 alice Alice Smith": an id, a handle, and the display name: the rest of the line after
    // one blank, inner blanks kept; missing, or blanks only, for an empty name.
    kIdHandleName,
    kId,        // "12"
    kIdReason,  // "12 3": an id and a failure reason
};

// The arguments of one event.
struct CallEvent {
    CallId id = 0;
    std::string handle;
    std::string name;
    std::uint32_t reason = 0;
};

struct CallEventVerb {
    std::string_view name;  // "call-in"
    CallEventShape shape;
    std::string_view help;  // one line: "an incoming P2P call from HANDLE rings"
    CallResult (*play)(CallModel& model, const CallEvent& event);
};

// Every event, each name once.
std::span<const CallEventVerb> CallEventVerbs();
// nullptr for a name no event has.
const CallEventVerb* FindCallEventVerb(std::string_view name);
// "ID HANDLE [NAME...]", "ID" or "ID REASON".
std::string_view Usage(CallEventShape shape);

}  // namespace phone_client_sim
