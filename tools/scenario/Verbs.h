// The verbs a script can use: each is its signature (what its line holds) and the function that
// plays it. The verbs come in groups, one file each; the table puts them together.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "tools/scenario/Outcome.h"
#include "tools/scenario/Script.h"
#include "tools/scenario/Session.h"

namespace scenario {

// The durations a script may ask for: up to ten minutes.
inline constexpr NumberRange kMilliseconds{0, 600000};

using VerbHandler = Outcome (*)(Session& session, const Step& step);

struct Verb {
    Signature signature;
    VerbHandler play;
    // Lines of this verb that open a script play before larkspurd starts, so that it reads what
    // they did at its start.
    bool beforeStart = false;
};

// The groups.
void AddHandsetVerbs(std::vector<Verb>& verbs);    // plug, unplug, press, firmware, expect-hid,
                                                   // expect-no-hid
void AddSoftphoneVerbs(std::vector<Verb>& verbs);  // attach, say, logout, expect, expect-no
void AddHostVerbs(std::vector<Verb>& verbs);       // expect-state, stop, start-second
void AddTimeVerbs(std::vector<Verb>& verbs);       // wait
void AddLcdVerbs(std::vector<Verb>& verbs);        // expect-lcd, expect-lcd-highlight, snapshot
void AddCallVerbs(std::vector<Verb>& verbs);       // call-in ..., remote-..., vm-..., history,
                                                   // expect-call, expect-seen
void AddVoicemailVerbs(std::vector<Verb>& verbs);  // voicemail, voicemail-new, voicemail-delete,
                                                   // expect-voicemail
void AddScriptVerbs(std::vector<Verb>& verbs);     // setting, note

// Every verb, each name once.
std::span<const Verb> AllVerbs();
std::vector<Signature> AllSignatures();
// nullptr for a name no verb has.
const Verb* FindVerb(std::string_view name);

}  // namespace scenario
