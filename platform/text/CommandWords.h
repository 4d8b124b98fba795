// Reading a softphone command as the softphone does: words that any number of blanks separate,
// matched ignoring ASCII case.
#pragma once

#include <string_view>
#include <vector>

namespace platform {

// Matches `command` against `prefix` ignoring ASCII case; on a match, the rest of the command.
bool TakePrefix(std::string_view command, std::string_view prefix, std::string_view& rest);
// Whether `a` and `b` are the same word ignoring ASCII case.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
// The words of `text`, which any number of blanks (spaces, tabs) separate.
std::vector<std::string_view> SplitWords(std::string_view text);

}  // namespace platform
