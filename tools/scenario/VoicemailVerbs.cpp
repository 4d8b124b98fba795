// The voice messages' verbs: what the softphone holds, receives and deletes, by the names the
// phone-client simulator's console gives them (phone_client_sim's VoicemailEvents), and what its
// model of them holds.
//
//   voicemail ID SECONDS TIMESTAMP NAME...      the softphone holds an unplayed voice message
//   voicemail-new ID SECONDS TIMESTAMP NAME...  one arrives while the system runs
//   voicemail-delete ID                         the softphone deletes it
//   expect-voicemail ID STATE                   within 3 s voice message ID has status STATE
//
// An event with an id in use (or used before), or about an unknown one, fails the step with the
// model's reason.
#include <limits>
#include <optional>
#include <string>

#include "tools/phone-client-sim/VoicemailEvents.h"
#include "tools/scenario/Verbs.h"
#include "tools/scenario/Wording.h"

namespace scenario {
namespace {

using phone_client_sim::VoicemailEventShape;
using phone_client_sim::VoicemailInfo;
using phone_client_sim::VoicemailStatus;

constexpr NumberRange kVoicemailId{1, std::numeric_limits<phone_client_sim::VoicemailId>::max()};
constexpr NumberRange kSeconds{1, std::numeric_limits<std::uint32_t>::max()};
constexpr NumberRange kTimestamp{0, std::numeric_limits<std::uint32_t>::max()};

// The states a script may expect: DELETING is never there to be seen, the message goes with it.
constexpr VoicemailStatus kExpectable[] = {VoicemailStatus::kUnplayed, VoicemailStatus::kPlaying,
                                           VoicemailStatus::kPlayed};

Outcome PlayVoicemailEvent(Session& session, const Step& step) {
    const phone_client_sim::VoicemailEventVerb* verb =
        phone_client_sim::FindVoicemailEventVerb(step.verb);
    if (verb == nullptr) {
        std::string why = "no voice-message event is called ";
        why += Quoted(step.verb);
        return Outcome::Failed(why);
    }
    if (!session.Phone().IsListening()) {
        return Outcome::Failed("no softphone runs to hold the voice message (attach starts one)");
    }
    phone_client_sim::VoicemailEvent event;
    event.id = step.numbers[0];
    if (verb->shape == VoicemailEventShape::kIdSecondsTimestampName) {
        event.seconds = step.numbers[1];
        event.timestamp = step.numbers[2];
        event.name = step.text;
    }
    const phone_client_sim::VoicemailResult result =
        verb->play(session.Phone().Voicemails(), event);
    if (!result.Ok()) {
        return Outcome::Failed("the softphone cannot play it: " + result.why);
    }
    return Outcome::Held();
}

std::optional<VoicemailStatus> ExpectableStatus(std::string_view word) {
    const std::optional<VoicemailStatus> status = phone_client_sim::VoicemailStatusFromWord(word);
    for (const VoicemailStatus expectable : kExpectable) {
        if (status == expectable) {
            return status;
        }
    }
    return std::nullopt;
}

std::string StatusWords() {
    std::string words;
    for (const VoicemailStatus status : kExpectable) {
        words.append(words.empty() ? "" : ", ").append(phone_client_sim::ToString(status));
    }
    return words;
}

// A message can leave any state for another (PLAYED plays again when opened), so the wait lasts
// until it holds, or the message is gone.
Outcome ExpectVoicemail(Session& session, const Step& step) {
    const phone_client_sim::VoicemailId id = step.numbers[0];
    const std::optional<VoicemailStatus> wanted = ExpectableStatus(step.word);
    if (!wanted) {
        std::string why = Quoted(step.word);
        why.append(" is not a voice message's status (").append(StatusWords()).append(")");
        return Outcome::Failed(why);
    }
    std::optional<VoicemailInfo> voicemail;
    session.PumpUntil(
        [&] {
            voicemail = session.Phone().Voicemails().Find(id);
            return !voicemail || voicemail->status == *wanted;
        },
        kExpectTimeout);
    std::string detail = "the softphone's voice message ";
    detail += std::to_string(id);
    if (!voicemail) {
        return Outcome::Failed(detail + " does not exist");
    }
    if (voicemail->status == *wanted) {
        return Outcome::Held();
    }
    detail.append(" was not ").append(step.word).append(" within ");
    detail.append(Milliseconds(kExpectTimeout)).append("; it is ");
    detail.append(phone_client_sim::ToString(voicemail->status));
    return Outcome::Failed(detail);
}

}  // namespace

void AddVoicemailVerbs(std::vector<Verb>& verbs) {
    for (const phone_client_sim::VoicemailEventVerb& event :
         phone_client_sim::VoicemailEventVerbs()) {
        Signature signature{event.name, ArgumentShape::Number, kVoicemailId};
        if (event.shape == VoicemailEventShape::kIdSecondsTimestampName) {
            signature.shape = ArgumentShape::ThreeNumbersAndOptionalText;
            signature.second = kSeconds;
            signature.third = kTimestamp;
        }
        verbs.push_back({signature, PlayVoicemailEvent});
    }
    verbs.push_back(
        {{"expect-voicemail", ArgumentShape::NumberAndWord, kVoicemailId}, ExpectVoicemail});
}

}  // namespace scenario
