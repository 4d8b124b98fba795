// The player: start, every step in order, stop.
#include "tools/scenario/Runner.h"

#include "platform/log/DebugLog.h"
#include "tools/scenario/Verbs.h"

namespace scenario {

std::optional<Failure> Play(Session& session, const std::vector<Step>& steps) {
    if (Outcome started = session.Start(); !started.ok) {
        return Failure{nullptr, "at start-up: " + started.detail};
    }
    for (const Step& step : steps) {
        platform::DebugLog("scenario", std::to_string(step.line) + ": " + step.source);
        const Verb* verb = FindVerb(step.verb);
        Outcome outcome =
            verb != nullptr ? verb->play(session, step) : Outcome::Failed("no verb " + step.verb);
        if (!outcome.ok) {
            return Failure{&step, std::move(outcome.detail)};
        }
    }
    if (Outcome stopped = session.StopHost(); !stopped.ok) {
        return Failure{nullptr, "at the end: " + stopped.detail};
    }
    return std::nullopt;
}

}  // namespace scenario
