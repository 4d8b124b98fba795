// The script parser: line splitting, verb lookup and argument checks.
#include "tools/scenario/ScriptParser.h"

#include <algorithm>
#include <charconv>

namespace scenario {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string Quoted(std::string_view text) {
    constexpr std::size_t kShown = 40;
    std::string quoted = "\"";  // built up: GCC 12 at -O3 misreads "x" + std::string(...)
    quoted.append(text.substr(0, kShown)).append(text.size() > kShown ? "...\"" : "\"");
    return quoted;
}

std::string RangeText(const NumberRange& range) {
    return "a number from " + std::to_string(range.low) + " to " + std::to_string(range.high);
}

// Decimal digits only: no sign, no blanks, no leading '+'.
std::optional<std::uint32_t> ParseNumber(std::string_view word, const NumberRange& range) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || error != std::errc() || end != word.data() + word.size() ||
        value < range.low || value > range.high) {
        return std::nullopt;
    }
    return value;
}

// Takes the characters up to the first blank off `text`.
std::string_view TakeWord(std::string_view& text) {
    const std::size_t end = std::find_if(text.begin(), text.end(), IsBlank) - text.begin();
    const std::string_view word = text.substr(0, end);
    text.remove_prefix(end);
    return word;
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    text = TrimLeft(text);
    while (!text.empty()) {
        words.push_back(TakeWord(text));
        text = TrimLeft(text);
    }
    return words;
}

class LineParser {
  public:
    LineParser(const Signature& verb, Step& step) : verb_(verb), step_(step) {}

    // Fills the step's arguments from `rest`, everything after the verb's name; returns the
    // complaint when they do not fit the verb.
    std::optional<std::string> Parse(std::string_view rest) {
        switch (verb_.shape) {
            case ArgumentShape::None:
                if (!TrimLeft(rest).empty()) {
                    return Name() + " takes no argument";
                }
                return std::nullopt;
            case ArgumentShape::OptionalNumber:
                if (TrimLeft(rest).empty()) {
                    step_.numbers.push_back(0);
                    return std::nullopt;
                }
                return Numbers(rest, 1);
            case ArgumentShape::Number:
                return Numbers(rest, 1);
            case ArgumentShape::TwoNumbers:
                return Numbers(rest, 2);
            case ArgumentShape::Text:
                return Text(rest);
            case ArgumentShape::TextAndNumber:
                return TextAndNumber(rest);
            case ArgumentShape::NumberAndOptionalText:
                return NumberAndOptionalText(rest);
            case ArgumentShape::NumberOrDash:
                return NumberOrDash(rest);
            case ArgumentShape::NumberWordAndOptionalText:
                return NumberWordAndOptionalText(rest);
            case ArgumentShape::NumberAndWord:
                return NumberAndWord(rest);
            case ArgumentShape::FileName:
                return FileName(rest);
            case ArgumentShape::TwoWordsAndOptionalText:
                return TwoWordsAndOptionalText(rest);
            case ArgumentShape::NumberTwoWordsNumberAndOptionalText:
                return NumberTwoWordsNumberAndOptionalText(rest);
            case ArgumentShape::ThreeNumbersAndOptionalText:
                return ThreeNumbersAndOptionalText(rest);
        }
        return Name() + " has an argument shape this parser does not know";
    }

  private:
    std::string Name() const { return std::string(verb_.name); }

    std::string Usage(std::size_t count) const {
        return count == 1 ? Name() + " needs " + RangeText(verb_.first)
                          : Name() + " needs two numbers: " + RangeText(verb_.first) + " and " +
                                RangeText(verb_.second);
    }

    std::optional<std::string> Numbers(std::string_view rest, std::size_t count) {
        const std::vector<std::string_view> words = Words(rest);
        if (words.size() != count) {
            return Usage(count);
        }
        for (std::size_t i = 0; i < count; ++i) {
            const NumberRange& range = i == 0 ? verb_.first : verb_.second;
            const std::optional<std::uint32_t> value = ParseNumber(words[i], range);
            if (!value) {
                return Name() + ": " + Quoted(words[i]) + " is not " + RangeText(range);
            }
            step_.numbers.push_back(*value);
        }
        return std::nullopt;
    }

    // The separating space is the only one taken off: every other blank belongs to the text.
    std::optional<std::string> Text(std::string_view rest) {
        if (rest.size() < 2 || rest.front() != ' ') {
            return Name() + " needs a text after one space";
        }
        return SetText(rest.substr(1));
    }

    std::optional<std::string> TextAndNumber(std::string_view rest) {
        const std::string_view line = TrimRight(rest);
        const std::size_t space = line.rfind(' ');
        if (line.empty() || line.front() != ' ' || space == std::string_view::npos || space < 2) {
            return Name() + " needs a text, one space and " + RangeText(verb_.first);
        }
        const std::string_view word = line.substr(space + 1);
        const std::optional<std::uint32_t> value = ParseNumber(word, verb_.first);
        if (!value) {
            return Name() + ": " + Quoted(word) + " at the end is not " + RangeText(verb_.first);
        }
        step_.numbers.push_back(*value);
        return SetText(line.substr(1, space - 1));
    }

    // Blanks may surround the number; the text, if any, is what follows the one space after it.
    std::optional<std::string> NumberAndOptionalText(std::string_view rest) {
        std::string_view line = TrimLeft(rest);
        if (std::optional<std::string> complaint =
                TakeNumber(line, Name() + " needs " + RangeText(verb_.first) +
                                     ", then a text after one space")) {
            return complaint;
        }
        return OptionalText(line, "number");
    }

    std::optional<std::string> NumberWordAndOptionalText(std::string_view rest) {
        const std::string usage =
            Name() + " needs " + RangeText(verb_.first) + ", a word, then a text after one space";
        std::string_view line = TrimLeft(rest);
        if (std::optional<std::string> complaint = TakeNumber(line, usage)) {
            return complaint;
        }
        line = TrimLeft(line);
        step_.word = std::string(TakeWord(line));
        if (step_.word.empty()) {
            return usage;
        }
        return OptionalText(line, "word");
    }

    std::optional<std::string> NumberAndWord(std::string_view rest) {
        const std::vector<std::string_view> words = Words(rest);
        if (words.size() != 2) {
            return Name() + " needs " + RangeText(verb_.first) + " and a word";
        }
        std::string_view number = words[0];
        if (std::optional<std::string> complaint = TakeNumber(number, {})) {
            return complaint;
        }
        step_.word = std::string(words[1]);
        return std::nullopt;
    }

    std::optional<std::string> TwoWordsAndOptionalText(std::string_view rest) {
        std::string_view line = TrimLeft(rest);
        step_.word = std::string(TakeWord(line));
        line = TrimLeft(line);
        step_.secondWord = std::string(TakeWord(line));
        if (step_.secondWord.empty()) {
            return Name() + " needs two words, then a text after one space";
        }
        return OptionalText(line, "second word");
    }

    std::optional<std::string> NumberTwoWordsNumberAndOptionalText(std::string_view rest) {
        std::string usage = Name();
        usage.append(" needs ").append(RangeText(verb_.first)).append(", two words, ");
        usage.append(RangeText(verb_.second)).append(", then a text after one space");
        std::string_view line = TrimLeft(rest);
        if (std::optional<std::string> complaint = TakeNumber(line, usage)) {
            return complaint;
        }
        line = TrimLeft(line);
        step_.word = std::string(TakeWord(line));
        line = TrimLeft(line);
        step_.secondWord = std::string(TakeWord(line));
        line = TrimLeft(line);
        if (step_.secondWord.empty()) {
            return usage;
        }
        if (std::optional<std::string> complaint = TakeNumber(line, usage, verb_.second)) {
            return complaint;
        }
        return OptionalText(line, "second number");
    }

    std::optional<std::string> ThreeNumbersAndOptionalText(std::string_view rest) {
        std::string usage = Name();
        usage.append(" needs ").append(RangeText(verb_.first)).append(", ");
        usage.append(RangeText(verb_.second)).append(", ").append(RangeText(verb_.third));
        usage.append(", then a text after one space");
        std::string_view line = TrimLeft(rest);
        for (const NumberRange* range : {&verb_.first, &verb_.second, &verb_.third}) {
            line = TrimLeft(line);
            if (std::optional<std::string> complaint = TakeNumber(line, usage, *range)) {
                return complaint;
            }
        }
        return OptionalText(line, "third number");
    }

    // Takes the number `line` starts with off it; `usage` when there is none.
    std::optional<std::string> TakeNumber(std::string_view& line, const std::string& usage) {
        return TakeNumber(line, usage, verb_.first);
    }

    std::optional<std::string> TakeNumber(std::string_view& line, const std::string& usage,
                                          const NumberRange& range) {
        const std::string_view word = TakeWord(line);
        if (word.empty()) {
            return usage;
        }
        const std::optional<std::uint32_t> value = ParseNumber(word, range);
        if (!value) {
            return Name() + ": " + Quoted(word) + " is not " + RangeText(range);
        }
        step_.numbers.push_back(*value);
        return std::nullopt;
    }

    // What ends the line after the one space that follows `before`, if anything but blanks does.
    std::optional<std::string> OptionalText(std::string_view after, std::string_view before) {
        if (TrimLeft(after).empty()) {
            return std::nullopt;
        }
        if (after.front() != ' ') {
            return Name() + " needs one space between the " + std::string(before) + " and the text";
        }
        return SetText(after.substr(1));
    }

    std::optional<std::string> NumberOrDash(std::string_view rest) {
        const std::vector<std::string_view> words = Words(rest);
        if (words.size() != 1) {
            return Name() + " needs " + RangeText(verb_.first) + " or -";
        }
        if (words[0] == "-") {
            return std::nullopt;
        }
        const std::optional<std::uint32_t> value = ParseNumber(words[0], verb_.first);
        if (!value) {
            return Name() + ": " + Quoted(words[0]) + " is not " + RangeText(verb_.first) + " or -";
        }
        step_.numbers.push_back(*value);
        return std::nullopt;
    }

    std::optional<std::string> FileName(std::string_view rest) {
        const std::vector<std::string_view> words = Words(rest);
        if (words.size() != 1) {
            return Name() + " needs a file name: one word";
        }
        const std::string_view name = words[0];
        const bool control = std::any_of(name.begin(), name.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        });
        if (name.front() == '.' || name.find('/') != std::string_view::npos || control) {
            return Name() + ": " + Quoted(name) +
                   " is not a plain file name (no '/', no control character, not starting with "
                   "'.')";
        }
        return SetText(name);
    }

    std::optional<std::string> SetText(std::string_view text) {
        if (verb_.maxTextBytes != 0 && text.size() > verb_.maxTextBytes) {
            return Name() + " takes at most " + std::to_string(verb_.maxTextBytes) +
                   " characters, not " + std::to_string(text.size());
        }
        step_.text = std::string(text);
        return std::nullopt;
    }

    const Signature& verb_;
    Step& step_;
};

std::optional<std::string> ParseLine(std::string_view source, std::span<const Signature> verbs,
                                     Step& step) {
    if (source.size() > kMaxLineBytes) {
        return "the line is longer than " + std::to_string(kMaxLineBytes) + " bytes";
    }
    if (source.find('\0') != std::string_view::npos) {
        return "the line holds a NUL byte";
    }
    const std::string_view line = TrimLeft(source);
    const std::string_view name = line.substr(0, line.find_first_of(" \t"));
    const auto verb = std::find_if(verbs.begin(), verbs.end(),
                                   [&](const Signature& s) { return s.name == name; });
    if (verb == verbs.end()) {
        return "unknown verb " + Quoted(name);
    }
    step.verb = std::string(name);
    return LineParser(*verb, step).Parse(line.substr(name.size()));
}

}  // namespace

ParseResult ParseScript(std::string_view script, std::span<const Signature> verbs) {
    ParseResult result;
    std::size_t number = 0;
    while (!script.empty()) {
        ++number;
        const std::size_t end = script.find('\n');
        std::string_view source = script.substr(0, end);
        script.remove_prefix(end == std::string_view::npos ? script.size() : end + 1);
        if (!source.empty() && source.back() == '\r') {
            source.remove_suffix(1);
        }
        const std::string_view content = TrimLeft(source);
        if (content.empty() || content.front() == '#') {
            continue;
        }
        Step step;
        step.line = number;
        step.source = std::string(source.substr(0, kMaxLineBytes));
        if (std::optional<std::string> complaint = ParseLine(source, verbs, step)) {
            result.steps.clear();
            result.error = ParseError{number, std::move(*complaint)};
            return result;
        }
        result.steps.push_back(std::move(step));
    }
    return result;
}

}  // namespace scenario
