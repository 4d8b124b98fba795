// What baresip's ctrl_tcp module says (events and command responses) and how a command is put to
// it. Every value is a JSON string, as ctrl_tcp requires of commands too.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace baresip {

struct BaresipEvent {
    std::string eventClass;  // "call", "register", "other" ...
    std::string type;        // "CALL_INCOMING", "CALL_CLOSED", "REGISTER_OK" ...
    std::string direction;   // "incoming" or "outgoing" (call events)
    std::string peerUri;     // "sip:b@127.0.0.1:5082"
    std::string peerName;    // the peer's display name, when this baresip reports one
    std::string callId;      // baresip's id of the call; empty for some events
    std::string param;  // CALL_CLOSED: the reason ("486 Busy Here", "Connection reset by peer")
};

struct BaresipResponse {
    bool ok = false;
    std::string data;   // the command's text output
    std::string token;  // the token of the command it answers
};

using BaresipMessage = std::variant<BaresipEvent, BaresipResponse>;

// An event or a response; nothing for anything else (not JSON, neither kind, a field of the
// wrong type).
std::optional<BaresipMessage> ParseBaresipMessage(std::string_view payload);

// {"command":"callfind","params":"a914f94ef02e3ea1","token":"7"}; no "params" when empty.
std::string FormatBaresipCommand(std::string_view command, std::string_view params,
                                 std::string_view token);

}  // namespace baresip
