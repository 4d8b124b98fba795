// The case-blind matches and the word splitting of softphone commands.
#include "platform/text/CommandWords.h"

#include <algorithm>

namespace platform {
namespace {

char Fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
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

std::vector<std::string_view> SplitWords(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < text.size()) {
        if (IsBlank(text[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && !IsBlank(text[end])) {
            ++end;
        }
        words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

}  // namespace platform
