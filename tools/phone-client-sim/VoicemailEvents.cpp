// The table of voice-message events.
#include "tools/phone-client-sim/VoicemailEvents.h"

#include <algorithm>

namespace phone_client_sim {
namespace {

using Shape = VoicemailEventShape;

const VoicemailEventVerb kVerbs[] = {
    {"voicemail", Shape::kIdSecondsTimestampName, "an unplayed voice message is held",
     [](VoicemailModel& m, const VoicemailEvent& e) {
         return m.Add(e.id, e.seconds, e.timestamp, e.name);
     }},
    {"voicemail-new", Shape::kIdSecondsTimestampName, "a voice message arrives now",
     [](VoicemailModel& m, const VoicemailEvent& e) {
         return m.Arrive(e.id, e.seconds, e.timestamp, e.name);
     }},
    {"voicemail-delete", Shape::kId, "the voice message is deleted",
     [](VoicemailModel& m, const VoicemailEvent& e) { return m.Delete(e.id); }},
};

}  // namespace

std::span<const VoicemailEventVerb> VoicemailEventVerbs() {
    return kVerbs;
}

const VoicemailEventVerb* FindVoicemailEventVerb(std::string_view name) {
    const auto found = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                    [name](const VoicemailEventVerb& v) { return v.name == name; });
    return found == std::end(kVerbs) ? nullptr : &*found;
}

std::string_view Usage(VoicemailEventShape shape) {
    switch (shape) {
        case Shape::kIdSecondsTimestampName:
            return "ID SECONDS TIMESTAMP [NAME...]";
        case Shape::kId:
            return "ID";
    }
    return "";
}

}  // namespace phone_client_sim
