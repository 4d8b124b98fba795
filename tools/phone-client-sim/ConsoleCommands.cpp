// Parsing the program's standard-input commands.
#include "tools/phone-client-sim/ConsoleCommands.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "tools/common/CommandLine.h"

namespace phone_client_sim {
namespace {

constexpr std::string_view kBlanks = " \t\r";

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Takes the next word off `rest`, with the blanks before it.
std::string_view NextWord(std::string_view& rest) {
    const std::size_t start = std::min(rest.find_first_not_of(kBlanks), rest.size());
    const std::size_t end = std::min(rest.find_first_of(kBlanks, start), rest.size());
    const std::string_view word = rest.substr(start, end - start);
    rest.remove_prefix(end);
    return word;
}

// The display name that ends the line after the one blank that follows the word before it;
// empty when only blanks are left.
std::string NameIn(std::string_view rest) {
    return Trim(rest).empty() ? std::string() : std::string(rest.substr(1));
}

// The arguments after a call event's name; nothing when they do not fit its shape.
std::optional<CallEvent> ParseEvent(CallEventShape shape, std::string_view rest) {
    CallEvent event;
    const std::optional<CallId> id = ParseCallId(NextWord(rest));
    if (!id) {
        return std::nullopt;
    }
    event.id = *id;
    switch (shape) {
        case CallEventShape::kId:
            break;
        case CallEventShape::kIdReason: {
            const std::optional<std::int64_t> reason =
                tools::ParseInteger(NextWord(rest), 1, std::numeric_limits<std::uint32_t>::max());
            if (!reason) {
                return std::nullopt;
            }
            event.reason = static_cast<std::uint32_t>(*reason);
            break;
        }
        case CallEventShape::kIdHandleName:
            event.handle = std::string(NextWord(rest));
            event.name = NameIn(rest);
            return event.handle.empty() ? std::nullopt : std::optional(event);
        case CallEventShape::kIdKindHandleTimestampName: {
            event.kind = std::string(NextWord(rest));
            event.handle = std::string(NextWord(rest));
            const std::optional<std::int64_t> timestamp =
                tools::ParseInteger(NextWord(rest), 0, std::numeric_limits<std::uint32_t>::max());
            if (event.handle.empty() || !timestamp) {
                return std::nullopt;
            }
            event.timestamp = *timestamp;
            event.name = NameIn(rest);
            return event;
        }
    }
    if (!Trim(rest).empty()) {
        return std::nullopt;
    }
    return event;
}

std::optional<VoicemailEvent> ParseVoicemailEvent(VoicemailEventShape shape,
                                                  std::string_view rest) {
    VoicemailEvent event;
    const std::optional<std::int64_t> id =
        tools::ParseInteger(NextWord(rest), 1, std::numeric_limits<VoicemailId>::max());
    if (!id) {
        return std::nullopt;
    }
    event.id = static_cast<VoicemailId>(*id);
    switch (shape) {
        case VoicemailEventShape::kId:
            break;
        case VoicemailEventShape::kIdSecondsTimestampName: {
            const std::optional<std::int64_t> seconds =
                tools::ParseInteger(NextWord(rest), 1, std::numeric_limits<std::uint32_t>::max());
            const std::optional<std::int64_t> timestamp =
                tools::ParseInteger(NextWord(rest), 0, std::numeric_limits<std::uint32_t>::max());
            if (!seconds || !timestamp) {
                return std::nullopt;
            }
            event.seconds = static_cast<std::uint32_t>(*seconds);
            event.timestamp = *timestamp;
            event.name = NameIn(rest);
            return event;
        }
    }
    if (!Trim(rest).empty()) {
        return std::nullopt;
    }
    return event;
}

}  // namespace

ConsoleCommand ParseConsoleCommand(std::string_view line) {
    using Kind = ConsoleCommand::Kind;
    if (line.ends_with('\r')) {
        line.remove_suffix(1);
    }
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty()) {
        return {};
    }
    const std::size_t start = line.find_first_not_of(" \t");
    if (line.substr(start).starts_with("say ")) {
        return {Kind::kSay, std::string(line.substr(start + 4))};
    }
    if (trimmed == "logout")
        return {Kind::kLogout, {}};
    if (trimmed == "restart")
        return {Kind::kRestart, {}};
    if (trimmed == "grant")
        return {Kind::kGrant, {}};
    if (trimmed == "calls")
        return {Kind::kCalls, {}};
    if (trimmed == "voicemails")
        return {Kind::kVoicemails, {}};
    if (trimmed == "quit")
        return {Kind::kQuit, {}};
    std::string_view rest = line.substr(start);
    const std::string_view name = NextWord(rest);
    if (const VoicemailEventVerb* voicemailVerb = FindVoicemailEventVerb(name)) {
        std::optional<VoicemailEvent> event = ParseVoicemailEvent(voicemailVerb->shape, rest);
        if (!event) {
            std::string usage = "usage: ";
            usage.append(voicemailVerb->name).append(" ").append(Usage(voicemailVerb->shape));
            return {Kind::kInvalid, usage};
        }
        ConsoleCommand command{Kind::kVoicemailEvent, {}};
        command.voicemailVerb = voicemailVerb;
        command.voicemailEvent = std::move(*event);
        return command;
    }
    const CallEventVerb* verb = FindCallEventVerb(name);
    if (verb == nullptr) {
        return {Kind::kInvalid, {}};
    }
    std::optional<CallEvent> event = ParseEvent(verb->shape, rest);
    if (!event) {
        std::string usage = "usage: ";
        usage.append(verb->name).append(" ").append(Usage(verb->shape));
        return {Kind::kInvalid, usage};
    }
    return {Kind::kCallEvent, {}, verb, std::move(*event)};
}

std::string ConsoleHelp() {
    std::string help = "commands: say TEXT | logout | restart | grant | calls | voicemails";
    for (const CallEventVerb& verb : CallEventVerbs()) {
        help.append(" | ").append(verb.name).append(" ").append(Usage(verb.shape));
    }
    for (const VoicemailEventVerb& verb : VoicemailEventVerbs()) {
        help.append(" | ").append(verb.name).append(" ").append(Usage(verb.shape));
    }
    return help.append(" | quit");
}

}  // namespace phone_client_sim
