// Turns a script's text into steps, refusing a malformed line with a message that names it.
//
// A line is a verb and its arguments (Script.h); blank lines and lines whose first non-blank
// character is '#' are skipped, leading blanks are ignored, and a line may end in "\n" or "\r\n".
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/scenario/Script.h"

namespace scenario {

// Longer lines are refused rather than cut, so that no text is played changed.
inline constexpr std::size_t kMaxLineBytes = 4096;

struct ParseError {
    std::size_t line = 0;
    std::string message;  // says what is wrong, e.g. "unknown verb \"jump\""
};

struct ParseResult {
    std::vector<Step> steps;
    std::optional<ParseError> error;  // the first malformed line; `steps` is then empty
};

ParseResult ParseScript(std::string_view script, std::span<const Signature> verbs);

}  // namespace scenario
