// The simulators' command lines: environment defaults, "--name VALUE" pairs, usage and help.
#include "tools/common/CommandLine.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <vector>

namespace tools {
namespace {

bool IsHelp(std::string_view argument) {
    return argument == "--help" || argument == "-h";
}

const Option* Find(const Program& program, std::string_view name) {
    const auto found = std::find_if(program.options.begin(), program.options.end(),
                                    [name](const Option& option) { return option.name == name; });
    return found == program.options.end() ? nullptr : &*found;
}

std::string Named(const Option& option) {
    return std::string(option.name) + " " + std::string(option.placeholder);
}

Parsed BadUsage(std::string error) {
    return {Outcome::kBadUsage, std::move(error)};
}

}  // namespace

Parsed ParseCommandLine(const Program& program, std::span<const std::string_view> arguments,
                        const EnvironmentLookup& lookup) {
    if (std::any_of(arguments.begin(), arguments.end(), IsHelp)) {
        return {Outcome::kHelp, {}};
    }
    std::set<std::string_view> given;
    for (const Option& option : program.options) {
        if (option.environment.empty()) {
            continue;
        }
        const std::string variable(option.environment);
        const char* value = lookup(variable.c_str());
        if (value == nullptr || *value == '\0') {
            continue;
        }
        if (!option.take(value)) {
            return BadUsage("$" + variable + " (" + Named(option) + "): bad value " + value);
        }
        given.insert(option.name);
    }
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
        const Option* option = Find(program, arguments[i]);
        if (option == nullptr) {
            return BadUsage("unknown option " + std::string(arguments[i]));
        }
        if (i + 1 == arguments.size()) {
            return BadUsage(Named(*option) + ": the value is missing");
        }
        if (!option->take(arguments[i + 1])) {
            return BadUsage(Named(*option) + ": bad value " + std::string(arguments[i + 1]));
        }
        given.insert(option->name);
    }
    for (const Option& option : program.options) {
        if (option.required && !given.contains(option.name)) {
            return BadUsage(Named(option) + " is needed" +
                            (option.environment.empty()
                                 ? std::string()
                                 : " (or $" + std::string(option.environment) + ")"));
        }
    }
    return {Outcome::kRun, {}};
}

std::optional<int> HandleCommandLine(const Program& program, int argc, const char* const* argv,
                                     std::ostream& out, std::ostream& err,
                                     const EnvironmentLookup& lookup) {
    const std::vector<std::string_view> arguments(argv + std::min(argc, 1), argv + argc);
    const Parsed parsed = ParseCommandLine(program, arguments, lookup);
    switch (parsed.outcome) {
        case Outcome::kRun:
            return std::nullopt;
        case Outcome::kHelp:
            out << HelpText(program) << std::flush;
            return 0;
        case Outcome::kBadUsage:
            err << program.name << ": " << parsed.error << "\n" << UsageText(program) << std::flush;
            return 2;
    }
    return 2;
}

std::string UsageText(const Program& program) {
    std::string usage = "usage: " + std::string(program.name);
    std::size_t column = 0;
    for (const Option& option : program.options) {
        usage += " [" + Named(option) + "]";
        column = std::max(column, Named(option).size());
    }
    usage += " [--help]\n";
    for (const Option& option : program.options) {
        const std::string named = Named(option);
        usage +=
            "  " + named + std::string(column - named.size() + 2, ' ') + std::string(option.help);
        if (!option.environment.empty()) {
            usage += " (default $" + std::string(option.environment) + ")";
        }
        usage += "\n";
    }
    return usage;
}

std::string HelpText(const Program& program) {
    std::string text(program.summary);
    text.append("\n").append(UsageText(program));
    // A program that reads no commands has no such section.
    if (!program.commands.empty()) {
        text.append("\ncommands on standard input, one a line:\n").append(program.commands);
    }
    return text;
}

std::optional<std::int64_t> ParseInteger(std::string_view text, std::int64_t low,
                                         std::int64_t high) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

}  // namespace tools
