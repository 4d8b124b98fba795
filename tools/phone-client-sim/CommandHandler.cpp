// The case-blind prefix match every command handler uses.
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
        !std::equal(prefix.begin(), prefix.end(), command.begin(),
                    [](char a, char b) { return Fold(a) == Fold(b); })) {
        return false;
    }
    rest = command.substr(prefix.size());
    return true;
}

}  // namespace phone_client_sim
