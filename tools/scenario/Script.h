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
    // "expect-lcd 0 TEXT": a number, then the rest of the line after one space, kept exactly;
    // "expect-lcd 0" (nothing but blanks after the number) leaves the text empty.
    NumberAndOptionalText,
    NumberOrDash,  // "expect-lcd-highlight 2", or "expect-lcd-highlight -" with no number
    // "call-in 12 alice Alice Smith": a number, a word, then the rest of the line after one
    // space, kept exactly; nothing but blanks after the word leaves the text empty.
    NumberWordAndOptionalText,
    NumberAndWord,  // "expect-call 12 RINGING"
    // "history 12 missed alice 1717171717 Alice Smith": a number, two words, a second number,
    // then the rest of the line after one space, kept exactly; nothing but blanks after the
    // second number leaves the text empty.
    NumberTwoWordsNumberAndOptionalText,
    // "voicemail 7 30 1717171717 Alice Smith": three numbers (in the first, second and third
    // range), then the rest of the line after one space, kept exactly; nothing but blanks after
    // the third number leaves the text empty.
    ThreeNumbersAndOptionalText,
    // "setting PhoneSet lang 2052": two words, then the rest of the line after one space, kept
    // exactly; nothing but blanks after the second word leaves the text empty.
    TwoWordsAndOptionalText,
    // "snapshot NAME": one word that is a plain file name (no '/', no control character, not
    // starting with '.'), so that it names a file in the directory it is meant for.
    FileName,
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
    NumberRange third{};  // ThreeNumbersAndOptionalText
};

struct Step {
    std::size_t line = 0;  // counted from 1
    std::string source;    // the line as written, without its line ending
    std::string verb;
    std::string text;        // Text, TextAndNumber, NumberAndOptionalText, FileName,
                             // NumberWordAndOptionalText, TwoWordsAndOptionalText,
                             // NumberTwoWordsNumberAndOptionalText, ThreeNumbersAndOptionalText
    std::string word;        // NumberWordAndOptionalText, NumberAndWord, TwoWordsAndOptionalText,
                             // NumberTwoWordsNumberAndOptionalText
    std::string secondWord;  // TwoWordsAndOptionalText, NumberTwoWordsNumberAndOptionalText
    // In the order written; OptionalNumber always has one, NumberOrDash none for the dash.
    std::vector<std::uint32_t> numbers;
};

}  // namespace scenario
