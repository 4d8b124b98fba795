// The table of every verb, put together from the groups.
#include "tools/scenario/Verbs.h"

#include <algorithm>

namespace scenario {

std::span<const Verb> AllVerbs() {
    static const std::vector<Verb> verbs = [] {
        std::vector<Verb> all;
        AddHandsetVerbs(all);
        AddLcdVerbs(all);
        AddSoftphoneVerbs(all);
        AddCallVerbs(all);
        AddVoicemailVerbs(all);
        AddHostVerbs(all);
        AddTimeVerbs(all);
        AddScriptVerbs(all);
        return all;
    }();
    return verbs;
}

std::vector<Signature> AllSignatures() {
    std::vector<Signature> signatures;
    for (const Verb& verb : AllVerbs()) {
        signatures.push_back(verb.signature);
    }
    return signatures;
}

const Verb* FindVerb(std::string_view name) {
    const std::span<const Verb> verbs = AllVerbs();
    const auto verb = std::find_if(verbs.begin(), verbs.end(),
                                   [&](const Verb& v) { return v.signature.name == name; });
    return verb == verbs.end() ? nullptr : &*verb;
}

}  // namespace scenario
