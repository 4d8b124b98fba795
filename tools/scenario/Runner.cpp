// The player: the run's directory, the lines that come before larkspurd's start, its start,
// every other step in order, its stop.
#include "tools/scenario/Runner.h"

#include <algorithm>

#include "platform/log/DebugLog.h"
#include "tools/scenario/Verbs.h"

namespace scenario {
namespace {

bool PlaysBeforeStart(const Step& step) {
    const Verb* verb = FindVerb(step.verb);
    return verb != nullptr && verb->beforeStart;
}

std::optional<Failure> PlayStep(Session& session, const Step& step) {
    platform::DebugLog("scenario", std::to_string(step.line) + ": " + step.source);
    const Verb* verb = FindVerb(step.verb);
    Outcome outcome =
        verb != nullptr ? verb->play(session, step) : Outcome::Failed("no verb " + step.verb);
    if (!outcome.ok) {
        return Failure{&step, std::move(outcome.detail)};
    }
    return std::nullopt;
}

}  // namespace

std::optional<Failure> Play(Session& session, const std::vector<Step>& steps) {
    if (Outcome prepared = session.Prepare(); !prepared.ok) {
        return Failure{nullptr, "at start-up: " + prepared.detail};
    }
    // The lines that open the script and can play before larkspurd starts (its settings) do.
    const auto first = std::find_if_not(steps.begin(), steps.end(), PlaysBeforeStart);
    for (auto step = steps.begin(); step != first; ++step) {
        if (std::optional<Failure> failure = PlayStep(session, *step)) {
            return failure;
        }
    }
    if (Outcome started = session.Launch(); !started.ok) {
        return Failure{nullptr, "at start-up: " + started.detail};
    }
    for (auto step = first; step != steps.end(); ++step) {
        if (std::optional<Failure> failure = PlayStep(session, *step)) {
            return failure;
        }
    }
    if (Outcome stopped = session.StopHost(); !stopped.ok) {
        return Failure{nullptr, "at the end: " + stopped.detail};
    }
    return std::nullopt;
}

}  // namespace scenario
