// The far end's call events, the voice-mail states and the calls of the history by the names the
// simulator's console and scenario scripts give them ("call-in 12 alice Alice Smith",
// "remote-answer 12", "history 9 missed bob 1717171717 Bob"): what a line holds after the name,
// and the CallModel event it plays.
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
    // "9 missed bob 1717171717 Bob": an id, a kind (in, out, missed), a handle, a timestamp in
    // seconds since 1970 UTC (0 to 4294967295), and the display name as kIdHandleName has it.
    kIdKindHandleTimestampName,
};

// The arguments of one event.
struct CallEvent {
    CallId id = 0;
    std::string handle;
    std::string name;
    std::uint32_t reason = 0;
    std::string kind;  // as written: the play checks it
    std::int64_t timestamp = 0;
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
// "ID HANDLE [NAME...]", "ID", "ID REASON" or "ID KIND HANDLE TIMESTAMP [NAME...]".
std::string_view Usage(CallEventShape shape);

// A call started on the PC, as call-out and call-out-pstn play it: it routes, then rings at the
// far end at once.
CallResult CallOut(CallModel& model, const CallEvent& event, bool pstn);

}  // namespace phone_client_sim
