// Answers to the call commands, and the error numbers of the desktop API.
#include "tools/phone-client-sim/CallCommands.h"

#include <algorithm>
#include <optional>

#include "platform/clientlink/ClientErrors.h"
#include "tools/common/CommandLine.h"
#include "tools/phone-client-sim/CallEvents.h"

namespace phone_client_sim {
namespace {

using namespace platform::client_error;

struct Property {
    std::string_view name;  // as the answer spells it
    std::string (*value)(const CallInfo& call, const CallModel& model);
};

const Property kProperties[] = {
    {"PARTNER_HANDLE", [](const CallInfo& c, const CallModel&) { return c.handle; }},
    {"PARTNER_DISPNAME", [](const CallInfo& c, const CallModel&) { return c.displayName; }},
    {"TYPE", [](const CallInfo& c, const CallModel&) { return std::string(ToString(c.type)); }},
    {"STATUS", [](const CallInfo& c, const CallModel&) { return std::string(ToString(c.status)); }},
    {"DURATION", [](const CallInfo& c, const CallModel&) { return std::to_string(c.duration); }},
    {"FAILUREREASON",
     [](const CallInfo& c, const CallModel&) { return std::to_string(c.failureReason); }},
    {"CONF_ID", [](const CallInfo& c, const CallModel&) { return std::to_string(c.conference); }},
    {"SEEN",
     [](const CallInfo& c, const CallModel&) { return std::string(c.seen ? "TRUE" : "FALSE"); }},
    {"TIMESTAMP", [](const CallInfo& c, const CallModel&) { return std::to_string(c.timestamp); }},
    // The participants and the user; 0 outside a conference.
    {"CONF_PARTICIPANTS_COUNT",
     [](const CallInfo& c, const CallModel& model) {
         return std::to_string(c.conference == 0 ? 0 : model.Participants(c.id).size() + 1);
     }},
};

const Property* FindProperty(std::string_view name) {
    for (const Property& property : kProperties) {
        if (EqualsIgnoringCase(name, property.name)) {
            return &property;
        }
    }
    return nullptr;
}

}  // namespace

bool CallCommands::Handle(std::string_view command, std::vector<std::string>& replies) {
    const std::vector<std::string_view> words = SplitWords(command);
    const std::span<const std::string_view> all(words);
    if (words.size() >= 2 && EqualsIgnoringCase(words[1], "call")) {
        if (EqualsIgnoringCase(words[0], "get")) {
            Get(all.subspan(2), replies);
            return true;
        }
        if (EqualsIgnoringCase(words[0], "set")) {
            Set(all.subspan(2), replies);
            return true;
        }
    }
    if (!words.empty() && EqualsIgnoringCase(words[0], "call")) {
        Dial(all.subspan(1), replies);
        return true;
    }
    if (words.size() == 2 && EqualsIgnoringCase(words[0], "search")) {
        if (EqualsIgnoringCase(words[1], "activecalls")) {
            replies.push_back(CallsText(true));
            return true;
        }
        if (EqualsIgnoringCase(words[1], "calls")) {
            replies.push_back(CallsText(false));
            return true;
        }
    }
    return false;
}

void CallCommands::Get(std::span<const std::string_view> words,
                       std::vector<std::string>& replies) const {
    const std::optional<CallId> id = words.empty() ? std::nullopt : ParseCallId(words[0]);
    if (!id) {
        replies.emplace_back(kGetInvalidId);
        return;
    }
    const std::optional<CallInfo> call = model_.Find(*id);
    if (!call) {
        replies.emplace_back(kGetUnknownCall);
        return;
    }
    if (words.size() == 3 && EqualsIgnoringCase(words[1], "conf_participant")) {
        const std::vector<CallInfo> participants = model_.Participants(*id);
        const std::optional<std::int64_t> n =
            tools::ParseInteger(words[2], 1, static_cast<std::int64_t>(participants.size()));
        if (!n) {
            replies.emplace_back(kInvalidParticipant);
            return;
        }
        const CallInfo& p = participants[static_cast<std::size_t>(*n - 1)];
        std::string value = std::to_string(*n);
        value.append(" ").append(p.handle).append(" ").append(ToString(p.type));
        value.append(" ").append(ToString(p.status)).append(" ").append(p.displayName);
        replies.push_back(CallText(*id, "CONF_PARTICIPANT", value));
        return;
    }
    const Property* property = words.size() == 2 ? FindProperty(words[1]) : nullptr;
    if (property == nullptr) {
        replies.emplace_back(kGetInvalidProperty);
        return;
    }
    replies.push_back(CallText(*id, property->name, property->value(*call, model_)));
}

void CallCommands::Set(std::span<const std::string_view> words, std::vector<std::string>& replies) {
    const std::optional<CallId> id = words.empty() ? std::nullopt : ParseCallId(words[0]);
    if (!id) {
        replies.emplace_back(kSetInvalidId);
        return;
    }
    if (!model_.Find(*id)) {
        replies.emplace_back(kSetUnknownCall);
        return;
    }
    CallResult result;
    std::string_view refusal = kSetInvalidProperty;
    std::string_view property = "STATUS";  // what a request that changes nothing is answered
    if (words.size() == 3 && EqualsIgnoringCase(words[1], "seen") &&
        (EqualsIgnoringCase(words[2], "true") || EqualsIgnoringCase(words[2], "false"))) {
        result = model_.SetSeen(*id, EqualsIgnoringCase(words[2], "true"));
        property = "SEEN";
    } else if (words.size() == 3 && EqualsIgnoringCase(words[1], "status")) {
        if (EqualsIgnoringCase(words[2], "inprogress")) {
            result = model_.SetInProgress(*id);
            refusal = kCannotResume;
        } else if (EqualsIgnoringCase(words[2], "onhold")) {
            result = model_.SetOnHold(*id);
            refusal = kCannotHold;
        } else if (EqualsIgnoringCase(words[2], "finished")) {
            result = model_.SetFinished(*id);
            refusal = kCannotHangUp;
        } else {
            replies.emplace_back(kSetInvalidProperty);
            return;
        }
    } else if (words.size() == 3 && EqualsIgnoringCase(words[1], "join_conference")) {
        const std::optional<CallId> other = ParseCallId(words[2]);
        result = other ? model_.JoinConference(*id, *other)
                       : CallResult{CallResult::Kind::kImpossible, {}};
        refusal = kCannotJoin;
    } else {
        replies.emplace_back(kSetInvalidProperty);
        return;
    }
    switch (result.kind) {
        case CallResult::Kind::kDone:
            return;
        case CallResult::Kind::kUnchanged:
            replies.push_back(
                CallText(*id, property, FindProperty(property)->value(*model_.Find(*id), model_)));
            return;
        case CallResult::Kind::kUnknownCall:
            replies.emplace_back(kSetUnknownCall);
            return;
        case CallResult::Kind::kImpossible:
            replies.emplace_back(refusal);
            return;
    }
}

// The new call takes the name the user knows the handle by: that of its newest call.
void CallCommands::Dial(std::span<const std::string_view> words,
                        std::vector<std::string>& replies) {
    if (words.empty()) {
        replies.emplace_back(kEmptyTarget);
        return;
    }
    if (words.size() > 1) {
        replies.emplace_back(kInvalidHandle);
        return;
    }
    const std::optional<CallId> id = model_.FreshId();
    if (!id) {
        replies.emplace_back(kNoCallId);
        return;
    }
    CallEvent event;
    event.id = *id;
    event.handle = std::string(words[0]);
    for (const CallInfo& call : model_.NewestFirst()) {
        if (call.handle == event.handle) {
            event.name = call.displayName;
            break;
        }
    }
    // A sink that hangs up at ROUTING leaves the ring refused, but the call was placed.
    if (!CallOut(model_, event, IsTelephoneNumber(event.handle)).Ok() && !model_.Find(*id)) {
        replies.emplace_back(kInvalidHandle);
    }
}

std::string CallCommands::CallsText(bool liveOnly) const {
    std::string text = "CALLS ";
    bool first = true;
    for (const CallInfo& call : liveOnly ? model_.Calls() : model_.NewestFirst()) {
        if (liveOnly && !IsLive(call.status)) {
            continue;
        }
        text.append(first ? "" : ", ").append(std::to_string(call.id));
        first = false;
    }
    return text;
}

}  // namespace phone_client_sim
