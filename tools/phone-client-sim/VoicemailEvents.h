// The softphone's own voice-message events by the names the simulator's console and scenario
// scripts give them ("voicemail 7 30 1717171717 Alice Smith", "voicemail-new 8 12 1717171800",
// "voicemail-delete 7"): what a line holds after the name, and the VoicemailModel event it plays.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "tools/phone-client-sim/VoicemailModel.h"

namespace phone_client_sim {

enum class VoicemailEventShape {
    // "7 30 1717171717 Alice Smith": an id, a length in seconds (above 0), a timestamp in seconds
    // since 1970 UTC (0 to 4294967295), and the partner's name: the rest of the line after one
    // blank, inner blanks kept; missing, or blanks only, for an empty name.
    kIdSecondsTimestampName,
    kId,  // "7"
};

struct VoicemailEvent {
    VoicemailId id = 0;
    std::uint32_t seconds = 0;
    std::int64_t timestamp = 0;
    std::string name;
};

struct VoicemailEventVerb {
    std::string_view name;  // "voicemail-new"
    VoicemailEventShape shape;
    std::string_view help;  // one line
    VoicemailResult (*play)(VoicemailModel& model, const VoicemailEvent& event);
};

// Every event, each name once.
std::span<const VoicemailEventVerb> VoicemailEventVerbs();
// nullptr for a name no event has.
const VoicemailEventVerb* FindVoicemailEventVerb(std::string_view name);
// "ID SECONDS TIMESTAMP [NAME...]" or "ID".
std::string_view Usage(VoicemailEventShape shape);

}  // namespace phone_client_sim
