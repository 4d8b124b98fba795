// Answers to the voice-message commands, and their error numbers.
#include "tools/phone-client-sim/VoicemailCommands.h"

#include <limits>
#include <optional>

#include "platform/clientlink/ClientErrors.h"
#include "tools/common/CommandLine.h"

namespace phone_client_sim {
namespace {

using namespace platform::client_error;

struct Property {
    std::string_view name;  // as the answer spells it
    std::string (*value)(const VoicemailInfo& voicemail);
};

const Property kProperties[] = {
    {"PARTNER_DISPNAME", [](const VoicemailInfo& v) { return v.partnerName; }},
    {"TIMESTAMP", [](const VoicemailInfo& v) { return std::to_string(v.timestamp); }},
    {"STATUS", [](const VoicemailInfo& v) { return std::string(ToString(v.status)); }},
};

const Property* FindProperty(std::string_view name) {
    for (const Property& property : kProperties) {
        if (EqualsIgnoringCase(name, property.name)) {
            return &property;
        }
    }
    return nullptr;
}

std::optional<VoicemailId> ParseId(std::span<const std::string_view> words) {
    if (words.empty()) {
        return std::nullopt;
    }
    const std::optional<std::int64_t> id =
        tools::ParseInteger(words[0], 1, std::numeric_limits<VoicemailId>::max());
    return id ? std::optional(static_cast<VoicemailId>(*id)) : std::nullopt;
}

}  // namespace

bool VoicemailCommands::Handle(std::string_view command, std::vector<std::string>& replies) {
    const std::vector<std::string_view> words = SplitWords(command);
    const std::span<const std::string_view> all(words);
    if (words.size() == 2 && EqualsIgnoringCase(words[0], "search") &&
        EqualsIgnoringCase(words[1], "voicemails")) {
        replies.push_back(ListText());
        return true;
    }
    if (words.size() < 2 || !EqualsIgnoringCase(words[1], "voicemail")) {
        return false;
    }
    if (EqualsIgnoringCase(words[0], "get")) {
        Get(all.subspan(2), replies);
        return true;
    }
    if (EqualsIgnoringCase(words[0], "open") || EqualsIgnoringCase(words[0], "close")) {
        Play(EqualsIgnoringCase(words[0], "open"), all.subspan(2), replies);
        return true;
    }
    return false;
}

void VoicemailCommands::Get(std::span<const std::string_view> words,
                            std::vector<std::string>& replies) const {
    const std::optional<VoicemailId> id = ParseId(words);
    if (!id) {
        replies.emplace_back(kInvalidVoicemailId);
        return;
    }
    const std::optional<VoicemailInfo> voicemail = model_.Find(*id);
    if (!voicemail) {
        replies.emplace_back(kUnknownVoicemail);
        return;
    }
    const Property* property = words.size() == 2 ? FindProperty(words[1]) : nullptr;
    if (property == nullptr) {
        replies.emplace_back(kInvalidVoicemailProperty);
        return;
    }
    replies.push_back(VoicemailText(*id, property->name, property->value(*voicemail)));
}

void VoicemailCommands::Play(bool open, std::span<const std::string_view> words,
                             std::vector<std::string>& replies) {
    const std::optional<VoicemailId> id = words.size() == 1 ? ParseId(words) : std::nullopt;
    if (!id) {
        replies.emplace_back(kInvalidVoicemailId);
        return;
    }
    const VoicemailResult result = open ? model_.Open(*id) : model_.Close(*id);
    switch (result.kind) {
        case VoicemailResult::Kind::kDone:
            return;
        case VoicemailResult::Kind::kUnchanged:
            replies.push_back(VoicemailText(*id, "STATUS", ToString(model_.Find(*id)->status)));
            return;
        case VoicemailResult::Kind::kUnknown:
        case VoicemailResult::Kind::kImpossible:
            replies.emplace_back(kUnknownVoicemail);
            return;
    }
}

std::string VoicemailCommands::ListText() const {
    std::string text = "VOICEMAILS ";
    bool first = true;
    for (const VoicemailInfo& voicemail : model_.NewestFirst()) {
        text.append(first ? "" : ", ").append(std::to_string(voicemail.id));
        first = false;
    }
    return text;
}

}  // namespace phone_client_sim
