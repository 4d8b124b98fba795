// The softphone's verbs: attaching, notifications, logging out, and the commands it received.
//
//   attach [N]         a softphone starts and answers every discovery with status N (default 0);
//                      expect looks at what it receives from then on
//   say TEXT           the softphone sends the notification TEXT
//   logout             the softphone logs out: "CONNSTATUS LOGGEDOUT", then "not available"
//   expect TEXT        within 3 s the softphone receives the command TEXT
//   expect-no TEXT MS  for MS milliseconds the softphone receives no command TEXT
#include <optional>
#include <string>

#include "tools/scenario/Verbs.h"
#include "tools/scenario/Wording.h"

namespace scenario {
namespace {

constexpr NumberRange kAttachStatus{0, 999};

// The index of the first command equal to `text` from `from` on.
std::optional<std::size_t> FindCommand(const Session& session, const std::string& text,
                                       std::size_t from) {
    const std::vector<std::string> commands = session.Phone().Commands();
    for (std::size_t i = from; i < commands.size(); ++i) {
        if (commands[i] == text) {
            return i;
        }
    }
    return std::nullopt;
}

// The new softphone has received nothing yet: expect looks at what it receives, not at what an
// earlier one was left with.
Outcome Attach(Session& session, const Step& step) {
    if (!session.Phone().Attach(static_cast<int>(step.numbers[0]))) {
        return Outcome::Failed("the softphone cannot listen on its socket");
    }
    session.commandCursor = session.Phone().Commands().size();
    return Outcome::Held();
}

Outcome Say(Session& session, const Step& step) {
    if (session.Phone().Say(step.text) == 0) {
        return Outcome::Failed("no link is attached to the softphone to hear it");
    }
    return Outcome::Held();
}

Outcome Logout(Session& session, const Step&) {
    if (!session.Phone().Logout()) {
        return Outcome::Failed("no softphone runs (attach starts one)");
    }
    return Outcome::Held();
}

Outcome Expect(Session& session, const Step& step) {
    std::optional<std::size_t> found;
    const bool held = session.PumpUntil(
        [&] {
            found = FindCommand(session, step.text, session.commandCursor);
            return found.has_value();
        },
        kExpectTimeout);
    if (!held) {
        return Outcome::Failed("the softphone received no command " + Quoted(step.text) +
                               " from command #" + std::to_string(session.commandCursor) +
                               " on within " + Milliseconds(kExpectTimeout));
    }
    session.commandCursor = *found + 1;
    return Outcome::Held();
}

Outcome ExpectNo(Session& session, const Step& step) {
    const std::chrono::milliseconds duration(step.numbers[0]);
    std::optional<std::size_t> found;
    session.PumpUntil(
        [&] {
            found = FindCommand(session, step.text, session.commandCursor);
            return found.has_value();
        },
        duration);
    if (found) {
        return Outcome::Failed("the softphone received the command " + Quoted(step.text) +
                               " (command #" + std::to_string(*found) + ") within " +
                               Milliseconds(duration));
    }
    return Outcome::Held();
}

}  // namespace

void AddSoftphoneVerbs(std::vector<Verb>& verbs) {
    verbs.push_back({{"attach", ArgumentShape::OptionalNumber, kAttachStatus}, Attach});
    verbs.push_back({{"say", ArgumentShape::Text}, Say});
    verbs.push_back({{"logout", ArgumentShape::None}, Logout});
    verbs.push_back({{"expect", ArgumentShape::Text}, Expect});
    verbs.push_back({{"expect-no", ArgumentShape::TextAndNumber, kMilliseconds}, ExpectNo});
}

}  // namespace scenario
