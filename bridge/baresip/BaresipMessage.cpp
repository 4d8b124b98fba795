// Reading ctrl_tcp's JSON messages, and writing its commands.
#include "bridge/baresip/BaresipMessage.h"

#include "bridge/baresip/Json.h"

namespace baresip {
namespace {

// A member that is absent reads empty; one of another type makes the message unreadable.
bool ReadString(const JsonValue& object, std::string_view key, std::string& into) {
    const JsonValue* value = object.Find(key);
    if (value == nullptr) {
        return true;
    }
    const std::optional<std::string> text = object.StringMember(key);
    if (!text) {
        return false;
    }
    into = *text;
    return true;
}

}  // namespace

std::optional<BaresipMessage> ParseBaresipMessage(std::string_view payload) {
    const std::optional<JsonValue> json = ParseJson(payload);
    if (!json || !json->IsObject()) {
        return std::nullopt;
    }
    if (json->BoolMember("event").value_or(false)) {
        BaresipEvent event;
        if (!ReadString(*json, "class", event.eventClass) ||
            !ReadString(*json, "type", event.type) ||
            !ReadString(*json, "direction", event.direction) ||
            !ReadString(*json, "peeruri", event.peerUri) ||
            !ReadString(*json, "peerdisplayname", event.peerName) ||
            !ReadString(*json, "id", event.callId) || !ReadString(*json, "param", event.param) ||
            event.type.empty()) {
            return std::nullopt;
        }
        return event;
    }
    if (json->BoolMember("response").value_or(false)) {
        BaresipResponse response;
        const std::optional<bool> ok = json->BoolMember("ok");
        if (!ok || !ReadString(*json, "data", response.data) ||
            !ReadString(*json, "token", response.token)) {
            return std::nullopt;
        }
        response.ok = *ok;
        return response;
    }
    return std::nullopt;
}

std::string FormatBaresipCommand(std::string_view command, std::string_view params,
                                 std::string_view token) {
    std::vector<std::pair<std::string, std::string>> members{{"command", std::string(command)}};
    if (!params.empty()) {
        members.emplace_back("params", std::string(params));
    }
    members.emplace_back("token", std::string(token));
    return JsonObjectOfStrings(members);
}

}  // namespace baresip
