// A scenario script as the player sees it: one step per line that does something, and what each
// verb expects after its name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scenario {

// What follows a verb on its line.
enum class ArgumentShape {
    None,            // "plug"
    OptionalNumber,  // "attach" or "attach 2"; the number defaults to 0
    Number,          // "wait 500"
    TwoNumbers,      // "expect-hid 2 1"
    Text,            // "say TEXT": the rest of the line after one space, kept exactly
    TextAndNumber,   // "expect-no TEXT 500": the text, one space, a number ending the line
};

struct NumberRange {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
};

// A verb's name and what its line must hold, checked before anything runs.
struct Signature {
    std::string_view name;
    ArgumentShape shape = ArgumentShape::None;
    // The range of each number, in the order they are written.
    NumberRange first{};
    NumberRange second{};
    // The longest text a verb takes; 0 for no limit below the line's own.
    std::size_t maxTextBytes = 0;
};

struct Step {
    std::size_t line = 0;  // counted from 1
    std::string source;    // the line as written, without its line ending
    std::string verb;
    std::string text;                    // Text and TextAndNumber
    std::vector<std::uint32_t> numbers;  // in the order written; OptionalNumber always has one
};

}  // namespace scenario
