// The simulators' command lines: "--name VALUE" options described once in a table, from which
// come the parsing, the usage printed on bad usage and the --help text.
#pragma once

#include <concepts>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace tools {

// Takes an option's value; false refuses it.
using OptionTaker = std::function<bool(std::string_view value)>;

struct Option {
    std::string_view name;         // "--socket"
    std::string_view placeholder;  // "PATH": the value as the usage names it
    std::string_view help;         // one line for --help
    OptionTaker take;
    // When not empty: an environment variable that, set and not empty, gives the value when the
    // option is not on the command line.
    std::string_view environment = {};
    // Without a value from the command line or the environment, the usage is bad.
    bool required = false;
};

struct Program {
    std::string_view name;      // "handset-sim"
    std::string_view summary;   // what it does, whole lines
    std::string_view commands;  // its commands on standard input, whole lines
    std::span<const Option> options;
};

enum class Outcome {
    kRun,       // every value taken
    kHelp,      // "--help" or "-h" was given: print HelpText, exit 0
    kBadUsage,  // print `error` and UsageText on standard error, exit 2
};

struct Parsed {
    Outcome outcome = Outcome::kRun;
    std::string error;  // kBadUsage: one line saying what is wrong
};

// Looks an environment variable up: its value, or null when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

// Gives each option with an environment variable that variable's value, then takes the
// `arguments` (the command line after the program's name) pair by pair in order, so that an
// option given twice ends with its last value. "--help" or "-h" anywhere takes nothing and asks
// for the help. An unknown option, an option without a value or a refused value is bad usage;
// so is a refused value from the environment, and a required option left without a value.
Parsed ParseCommandLine(const Program& program, std::span<const std::string_view> arguments,
                        const EnvironmentLookup& lookup = std::getenv);

// The command line `argv` of `argc` words, program name first, parsed as above. Prints the help
// on `out`, or the error and the usage on `err`. Returns the exit status when the program is to
// end now: 0 after the help, 2 on bad usage; nothing when it is to run.
std::optional<int> HandleCommandLine(const Program& program, int argc, const char* const* argv,
                                     std::ostream& out, std::ostream& err,
                                     const EnvironmentLookup& lookup = std::getenv);

// "usage: NAME [--a A] [--b B]" and a line per option.
std::string UsageText(const Program& program);
// The summary, the usage with its options, and the commands on standard input, if any.
std::string HelpText(const Program& program);

// A decimal integer from `low` to `high`, the whole of `text`; nothing for anything else.
std::optional<std::int64_t> ParseInteger(std::string_view text, std::int64_t low,
                                         std::int64_t high);

// Takers: the value as it is, into a string or a path.
template <typename Text>
OptionTaker StoreText(Text& target) {
    return [&target](std::string_view value) {
        target = Text(std::string(value));
        return true;
    };
}

// Takers: a decimal integer from `low` to `high`.
template <std::integral Integer>
OptionTaker StoreInteger(Integer& target, std::int64_t low, std::int64_t high) {
    return [&target, low, high](std::string_view value) {
        const std::optional<std::int64_t> number = ParseInteger(value, low, high);
        if (number) {
            target = static_cast<Integer>(*number);
        }
        return number.has_value();
    };
}

}  // namespace tools
