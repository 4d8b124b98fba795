// The calls' verbs: the far end's events and the calls of the history, by the names the
// phone-client simulator's console gives them (phone_client_sim's CallEvents), and what the
// softphone's model of its calls holds.
//
//   call-in ID HANDLE NAME...          an incoming P2P call from HANDLE (display name NAME) rings
//   call-in-pstn ID NUMBER NAME...     the same from a telephone number
//   call-out ID HANDLE NAME...         a call started on the PC routes, then rings at the far end
//   call-out-pstn ID NUMBER NAME...    the same to a telephone number
//   remote-answer ID, remote-hold ID, remote-resume ID, remote-hangup ID, remote-refuse ID,
//   remote-busy ID, remote-fail ID REASON
//   vm-buffering ID, vm-greeting ID, vm-recording ID, vm-sent ID
//                                      an unanswered outgoing call's voice mail
//   history ID KIND HANDLE TIMESTAMP NAME...
//                                      the history holds a finished call: KIND in, out, missed
//   expect-call ID STATE               within 3 s the softphone has call ID in STATE
//   expect-seen ID                     within 3 s a link has told the softphone call ID was seen
//
// An event about an unknown id, or one the call's state does not allow, fails the step with the
// model's reason.
#include <limits>
#include <optional>
#include <string>

#include "tools/phone-client-sim/CallEvents.h"
#include "tools/scenario/Verbs.h"
#include "tools/scenario/Wording.h"

namespace scenario {
namespace {

using phone_client_sim::CallEventShape;
using phone_client_sim::CallInfo;
using phone_client_sim::CallStatus;

constexpr NumberRange kCallId{1, std::numeric_limits<phone_client_sim::CallId>::max()};
constexpr NumberRange kFailureReason{1, std::numeric_limits<std::uint32_t>::max()};
constexpr NumberRange kTimestamp{0, std::numeric_limits<std::uint32_t>::max()};

ArgumentShape ShapeOf(CallEventShape shape) {
    switch (shape) {
        case CallEventShape::kIdHandleName:
            return ArgumentShape::NumberWordAndOptionalText;
        case CallEventShape::kId:
            return ArgumentShape::Number;
        case CallEventShape::kIdReason:
            return ArgumentShape::TwoNumbers;
        case CallEventShape::kIdKindHandleTimestampName:
            return ArgumentShape::NumberTwoWordsNumberAndOptionalText;
    }
    return ArgumentShape::None;
}

// The step's arguments where the event has them: the history's line has its kind before the
// handle and its timestamp after it.
phone_client_sim::CallEvent EventOf(CallEventShape shape, const Step& step) {
    phone_client_sim::CallEvent event;
    event.id = step.numbers[0];
    event.name = step.text;
    if (shape == CallEventShape::kIdKindHandleTimestampName) {
        event.kind = step.word;
        event.handle = step.secondWord;
        event.timestamp = step.numbers[1];
    } else {
        event.handle = step.word;
        event.reason = step.numbers.size() > 1 ? step.numbers[1] : 0;
    }
    return event;
}

Outcome PlayCallEvent(Session& session, const Step& step) {
    const phone_client_sim::CallEventVerb* verb = phone_client_sim::FindCallEventVerb(step.verb);
    if (verb == nullptr) {
        return Outcome::Failed("no call event is called " + Quoted(step.verb));
    }
    if (!session.Phone().IsListening()) {
        return Outcome::Failed("no softphone runs to have the call (attach starts one)");
    }
    const phone_client_sim::CallResult result =
        verb->play(session.Phone().Calls(), EventOf(verb->shape, step));
    if (!result.Ok()) {
        return Outcome::Failed("the softphone cannot play it: " + result.why);
    }
    return Outcome::Held();
}

std::string StatusWords() {
    std::string words;
    for (int status = 0; status <= static_cast<int>(CallStatus::kVmCancelled); ++status) {
        words.append(words.empty() ? "" : ", ")
            .append(phone_client_sim::ToString(static_cast<CallStatus>(status)));
    }
    return words;
}

// Waits while the call is live and in another state: an ended call changes no more.
Outcome ExpectCall(Session& session, const Step& step) {
    const phone_client_sim::CallId id = step.numbers[0];
    const std::optional<CallStatus> wanted = phone_client_sim::StatusFromWord(step.word);
    if (!wanted) {
        return Outcome::Failed(Quoted(step.word) + " is not a status the softphone writes (" +
                               StatusWords() + ")");
    }
    std::optional<CallInfo> call;
    session.PumpUntil(
        [&] {
            call = session.Phone().Calls().Find(id);
            return !call || call->status == *wanted || !phone_client_sim::IsLive(call->status);
        },
        kExpectTimeout);
    std::string detail = "the softphone's call ";
    detail += std::to_string(id);
    if (!call) {
        return Outcome::Failed(detail + " does not exist");
    }
    if (call->status == *wanted) {
        return Outcome::Held();
    }
    detail.append(" was not ").append(step.word);
    if (phone_client_sim::IsLive(call->status)) {
        detail += " within " + Milliseconds(kExpectTimeout);
    }
    detail.append("; it is ").append(phone_client_sim::ToString(call->status));
    return Outcome::Failed(detail);
}

// The history mode marks the calls it showed: a link says "set call <id> seen true".
Outcome ExpectSeen(Session& session, const Step& step) {
    const phone_client_sim::CallId id = step.numbers[0];
    std::optional<CallInfo> call;
    session.PumpUntil(
        [&] {
            call = session.Phone().Calls().Find(id);
            return !call || call->toldSeen;
        },
        kExpectTimeout);
    std::string detail = "the softphone's call ";
    detail += std::to_string(id);
    if (!call) {
        return Outcome::Failed(detail + " does not exist");
    }
    if (call->toldSeen) {
        return Outcome::Held();
    }
    detail.append(" was not marked seen (\"set call ").append(std::to_string(id));
    detail.append(" seen true\") within ").append(Milliseconds(kExpectTimeout));
    return Outcome::Failed(detail);
}

}  // namespace

void AddCallVerbs(std::vector<Verb>& verbs) {
    for (const phone_client_sim::CallEventVerb& event : phone_client_sim::CallEventVerbs()) {
        const bool history = event.shape == CallEventShape::kIdKindHandleTimestampName;
        verbs.push_back(
            {{event.name, ShapeOf(event.shape), kCallId, history ? kTimestamp : kFailureReason},
             PlayCallEvent});
    }
    verbs.push_back({{"expect-call", ArgumentShape::NumberAndWord, kCallId}, ExpectCall});
    verbs.push_back({{"expect-seen", ArgumentShape::Number, kCallId}, ExpectSeen});
}

}  // namespace scenario
