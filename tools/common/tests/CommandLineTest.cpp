// The simulators' command lines: environment defaults, options, values, help and usage.
#include "tools/common/CommandLine.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <vector>

namespace tools {
namespace {

struct Values {
    // A constructor rather than member initialisers: GCC 12 at -O3 takes the strings of a long
    // table of aggregates for uninitialised.
    Values(std::string socketPath = {}, std::uint16_t productId = 5001)
        : socket(std::move(socketPath)), id(productId) {}
    std::string socket;
    std::uint16_t id;
};

struct Case {
    const char* what;
    std::vector<std::string_view> arguments;
    std::map<std::string, std::string> environment;
    Outcome outcome;
    Values values;      // kRun: what the options hold afterwards
    std::string error;  // kBadUsage
};

TEST(CommandLineTest, OptionsTakeTheirValuesOrTheUsageIsBad) {
    const std::map<std::string, std::string> socketSet = {{"T_SOCKET", "/env"}};
    const std::vector<Case> cases = {
        {"socket from the environment", {}, socketSet, Outcome::kRun, {"/env", 5001}, ""},
        {"the command line wins", {"--socket", "/arg"}, socketSet, Outcome::kRun, {"/arg"}, ""},
        {"the last of two wins", {"--socket", "a", "--socket", "b"}, {}, Outcome::kRun, {"b"}, ""},
        {"lowest number", {"--id", "0"}, socketSet, Outcome::kRun, {"/env", 0}, ""},
        {"highest number", {"--id", "65535"}, socketSet, Outcome::kRun, {"/env", 65535}, ""},
        {"number from the environment",
         {},
         {{"T_SOCKET", "/env"}, {"T_ID", "7"}},
         Outcome::kRun,
         {"/env", 7},
         ""},
        {"required and missing",
         {"--id", "1"},
         {},
         Outcome::kBadUsage,
         {},
         "--socket PATH is needed (or $T_SOCKET)"},
        {"an empty variable is no value",
         {},
         {{"T_SOCKET", ""}},
         Outcome::kBadUsage,
         {},
         "--socket PATH is needed (or $T_SOCKET)"},
        {"above the range",
         {"--id", "65536"},
         {},
         Outcome::kBadUsage,
         {},
         "--id N: bad value 65536"},
        {"below the range", {"--id", "-1"}, {}, Outcome::kBadUsage, {}, "--id N: bad value -1"},
        {"not all digits", {"--id", "12x"}, {}, Outcome::kBadUsage, {}, "--id N: bad value 12x"},
        {"blank first", {"--id", " 12"}, {}, Outcome::kBadUsage, {}, "--id N: bad value  12"},
        {"hexadecimal", {"--id", "0x10"}, {}, Outcome::kBadUsage, {}, "--id N: bad value 0x10"},
        {"empty number", {"--id", ""}, {}, Outcome::kBadUsage, {}, "--id N: bad value "},
        {"far too large",
         {"--id", "99999999999999999999"},
         {},
         Outcome::kBadUsage,
         {},
         "--id N: bad value 99999999999999999999"},
        {"refused by the environment",
         {},
         {{"T_ID", "many"}},
         Outcome::kBadUsage,
         {},
         "$T_ID (--id N): bad value many"},
        {"no value",
         {"--socket"},
         {},
         Outcome::kBadUsage,
         {},
         "--socket PATH: the value is missing"},
        {"unknown option", {"--bogus", "1"}, {}, Outcome::kBadUsage, {}, "unknown option --bogus"},
        {"a bare word", {"run"}, socketSet, Outcome::kBadUsage, {}, "unknown option run"},
        {"help", {"--help"}, {}, Outcome::kHelp, {}, ""},
        {"help beats bad usage", {"--id", "x", "-h"}, {{"T_ID", "many"}}, Outcome::kHelp, {}, ""},
    };
    for (const Case& c : cases) {
        Values values;
        const Option options[] = {
            {"--socket", "PATH", "where to connect", StoreText(values.socket), "T_SOCKET", true},
            {"--id", "N", "product id, 0..65535", StoreInteger(values.id, 0, 0xFFFF), "T_ID"},
        };
        const Program program{"sim", "sim: a test.\n", "quit\n", options};
        const auto lookup = [&c](const char* name) -> const char* {
            const auto found = c.environment.find(name);
            return found == c.environment.end() ? nullptr : found->second.c_str();
        };
        const Parsed parsed = ParseCommandLine(program, c.arguments, lookup);
        EXPECT_EQ(parsed.outcome, c.outcome) << c.what;
        EXPECT_EQ(parsed.error, c.error) << c.what;
        if (c.outcome == Outcome::kRun) {
            EXPECT_EQ(values.socket, c.values.socket) << c.what;
            EXPECT_EQ(values.id, c.values.id) << c.what;
        }
    }
}

TEST(CommandLineTest, UsageAndHelpNameEveryOptionAndCommand) {
    std::string socket;
    unsigned count = 0;
    const Option options[] = {
        {"--socket", "PATH", "where to connect", StoreText(socket), "T_SOCKET"},
        {"--count", "N", "how many", StoreInteger(count, 1, 9)},
    };
    const Program program{"sim", "sim: a test simulator.\n", "  quit  ends it\n", options};
    const std::string usage =
        "usage: sim [--socket PATH] [--count N] [--help]\n"
        "  --socket PATH  where to connect (default $T_SOCKET)\n"
        "  --count N      how many\n";
    EXPECT_EQ(UsageText(program), usage);
    EXPECT_EQ(HelpText(program), "sim: a test simulator.\n\n" + usage +
                                     "\ncommands on standard input, one a line:\n"
                                     "  quit  ends it\n");
    const Program silent{"sim", "sim: a test simulator.\n", "", options};
    EXPECT_EQ(HelpText(silent), "sim: a test simulator.\n\n" + usage);
}

TEST(CommandLineTest, HelpEndsWithZeroAndBadUsageWithTwoOnStandardError) {
    std::string socket;
    const Option options[] = {{"--socket", "PATH", "where", StoreText(socket), "", true}};
    const Program program{"sim", "sim: a test.\n", "quit\n", options};
    const auto noEnvironment = [](const char*) -> const char* { return nullptr; };
    const struct {
        std::vector<const char*> argv;
        std::optional<int> status;
        std::string out;
        std::string err;
    } cases[] = {
        {{"sim", "--socket", "/s"}, std::nullopt, "", ""},
        {{"sim", "--help"}, 0, HelpText(program), ""},
        {{"sim"}, 2, "", "sim: --socket PATH is needed\n" + UsageText(program)},
        {{"sim", "-x"}, 2, "", "sim: unknown option -x\n" + UsageText(program)},
    };
    for (const auto& c : cases) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(HandleCommandLine(program, static_cast<int>(c.argv.size()), c.argv.data(), out,
                                    err, noEnvironment),
                  c.status)
            << c.argv.size();
        EXPECT_EQ(out.str(), c.out);
        EXPECT_EQ(err.str(), c.err);
    }
    EXPECT_EQ(socket, "/s");
}

}  // namespace
}  // namespace tools
