// Parsing the program's standard-input commands.
#include "tools/phone-client-sim/ConsoleCommands.h"

namespace phone_client_sim {
namespace {

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
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
    if (trimmed == "quit")
        return {Kind::kQuit, {}};
    return {Kind::kInvalid, {}};
}

}  // namespace phone_client_sim
