// The case-blind matches every command handler uses.
#include "tools/phone-client-sim/CommandHandler.h"

#include <algorithm>

namespace phone_client_sim {
namespace {

char Fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool TakePrefix(std::string_view command, std::string_view prefix, std::string_view& rest) {
    if (command.size() < prefix.size() ||
        !EqualsIgnoringCase(command.substr(0, prefix.size()), prefix)) {
        return false;
    }
    rest = command.substr(prefix.size());
    return true;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Fold(x) == Fold(y); });
}

}  // namespace phone_client_sim
