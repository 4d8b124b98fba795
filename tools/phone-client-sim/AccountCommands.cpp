// Answers to the attach-time commands.
#include "tools/phone-client-sim/AccountCommands.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace phone_client_sim {

bool AccountCommands::Handle(std::string_view command, std::vector<std::string>& replies) {
    std::string_view rest;
    if (TakePrefix(command, "protocol ", rest)) {
        int version = 0;
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), version);
        if (error != std::errc() || end != rest.data() + rest.size() || version < 1) {
            return false;
        }
        replies.push_back("PROTOCOL " + std::to_string(std::min(version, kProtocol)));
        return true;
    }
    if (TakePrefix(command, "get userstatus", rest) && rest.empty()) {
        replies.push_back("USERSTATUS " + userStatus_);
        return true;
    }
    if (TakePrefix(command, "get profile pstn_balance", rest) && rest.empty()) {
        replies.push_back("PROFILE PSTN_BALANCE 0");
        return true;
    }
    return false;
}

}  // namespace phone_client_sim
