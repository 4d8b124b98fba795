// The host's verbs: the state it shows, its shut-down, and a second copy started beside it.
//
//   expect-state TEXT   within 3 s larkspurd shows the state TEXT ("larkspurd: state: TEXT")
//   stop                SIGTERM to larkspurd; it must end by itself, with status 0, within 5 s
//   start-second TEXT   another larkspurd in the same environment must end within 5 s with a
//                       status other than 0, having written the line TEXT on stderr
#include <algorithm>
#include <optional>
#include <string>

#include "tools/scenario/Verbs.h"
#include "tools/scenario/Wording.h"

namespace scenario {
namespace {

constexpr std::chrono::milliseconds kSecondHostTimeout{5000};

Outcome ExpectState(Session& session, const Step& step) {
    const std::vector<std::string>& states = session.Host().States();
    std::optional<std::size_t> found;
    const bool held = session.PumpUntil(
        [&] {
            for (std::size_t i = session.stateCursor; i < states.size(); ++i) {
                if (states[i] == step.text) {
                    found = i;
                    return true;
                }
            }
            return false;
        },
        kExpectTimeout);
    if (!held) {
        return Outcome::Failed("larkspurd showed no state " + Quoted(step.text) + " from state #" +
                               std::to_string(session.stateCursor) + " on within " +
                               Milliseconds(kExpectTimeout) + "; the last it showed: " +
                               (states.empty() ? std::string("none") : Quoted(states.back())));
    }
    session.stateCursor = *found + 1;
    return Outcome::Held();
}

Outcome Stop(Session& session, const Step&) {
    return session.StopHost();
}

Outcome StartSecond(Session& session, const Step& step) {
    Outcome outcome = session.RunSecondHost(kSecondHostTimeout);
    if (!outcome.ok) {
        return outcome;
    }
    const HostProcess& second = *session.SecondHost();
    if (second.Exit()->Succeeded()) {
        return Outcome::Failed("the second larkspurd ended with status 0");
    }
    const auto& lines = second.Lines();
    if (std::find(lines.begin(), lines.end(), step.text) == lines.end()) {
        return Outcome::Failed("the second larkspurd ended with " + ToString(*second.Exit()) +
                               " but did not write the line " + Quoted(step.text));
    }
    return Outcome::Held();
}

}  // namespace

void AddHostVerbs(std::vector<Verb>& verbs) {
    verbs.push_back({{"expect-state", ArgumentShape::Text}, ExpectState});
    verbs.push_back({{"stop", ArgumentShape::None}, Stop});
    verbs.push_back({{"start-second", ArgumentShape::Text}, StartSecond});
}

}  // namespace scenario
