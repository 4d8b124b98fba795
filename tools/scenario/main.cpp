// scenario: plays a script against the whole system, larkspurd between a simulated handset and a
// simulated softphone, and says whether everything the script expects happened (docs/scenario.md).
//
//   scenario [--program-dir DIR] [--png-dir DIR] [--live] SCRIPT
//   scenario --help
//
// DIR is larkspurd's directory and its current directory (default: the build's program
// directory, or the current directory where that is not there, as installed). --png-dir is where
// snapshot writes (default: the current directory); with it, a failed run also leaves the handset's
// LCD there as SCRIPT-failed.png. --live shows the LCD as it changes, and the script's notes, on
// standard output. Exit status: 0 every expectation held; 1 a step (or the start or end of the run)
// failed, told on stderr with everything seen up to then; 2 bad usage or a script that cannot be
// read or parsed. KESTREL_DEBUG=1 also traces each step (and reaches larkspurd, which then says
// more).
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

#include "platform/log/DebugLog.h"
#include "tools/handset-sim/UnifontFile.h"
#include "tools/scenario/Report.h"
#include "tools/scenario/Runner.h"
#include "tools/scenario/ScriptParser.h"
#include "tools/scenario/Verbs.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: scenario [--program-dir DIR] [--png-dir DIR] [--live] SCRIPT\n";
constexpr std::uintmax_t kMaxScriptBytes = 1024 * 1024;
constexpr std::size_t kHelpWidth = 80;

struct Arguments {
    bool help = false;
    bool live = false;
    fs::path programDirectory = SCENARIO_PROGRAM_DIR;
    fs::path pngDirectory;
    fs::path script;
};

void PrintHelp() {
    std::cout << kUsage << "       scenario --help\n"
              << "\n"
                 "Plays SCRIPT against the whole system: the real larkspurd between a simulated\n"
                 "handset and a simulated softphone, in a fresh temporary directory. The script\n"
                 "does what a user, the handset and the softphone would do, and says what the\n"
                 "system must do in answer.\n"
                 "\n"
                 "Options:\n"
                 "  --program-dir DIR  larkspurd's directory, and its current directory\n"
                 "                     (default: "
              << SCENARIO_PROGRAM_DIR
              << ",\n"
                 "                     or the current directory where that is\n"
                 "                     not there)\n"
                 "  --png-dir DIR      where snapshot NAME writes NAME.png (default: the\n"
                 "                     current directory); when the run fails, the handset's\n"
                 "                     LCD is also written there as SCRIPT-failed.png\n"
                 "  --live             show the handset's LCD as it changes, and the script's\n"
                 "                     notes under it (in a terminal: redrawn in place; else\n"
                 "                     one line per note and per new screen)\n"
                 "  --help             show this text and exit\n"
                 "\n"
                 "expect-lcd and expect-lcd-highlight read the LCD's four text rows back from\n"
                 "its pixels with GNU Unifont ("
              << handset_sim::kDefaultUnifontPath
              << ", Debian package\n"
                 "unifont; KESTREL_UNIFONT names another .hex file, as it does for larkspurd).\n"
                 "The call verbs (call-in, call-out, remote-..., vm-...) play the far end of\n"
                 "the softphone's calls, whose model answers the system's call commands;\n"
                 "history seeds a finished call; expect-call ID STATE waits for a call's\n"
                 "status word (RINGING, MISSED ...), expect-seen ID for a call marked seen.\n"
                 "voicemail, voicemail-new and voicemail-delete play the softphone's voice\n"
                 "messages; expect-voicemail ID STATE waits for one's status (PLAYING ...).\n"
                 "KESTREL_DEBUG=1 traces each step on stderr, and larkspurd then says more.\n"
                 "Exit status: 0 every expectation held; 1 a step, or the start or the end of the\n"
                 "run, failed (told on stderr with everything seen up to then); 2 bad usage, or a\n"
                 "script that cannot be read or parsed.\n"
                 "\n"
                 "Verbs:";
    std::size_t column = 6;
    for (const scenario::Signature& verb : scenario::AllSignatures()) {
        if (column + 1 + verb.name.size() > kHelpWidth) {
            std::cout << "\n      ";
            column = 6;
        }
        std::cout << ' ' << verb.name;
        column += 1 + verb.name.size();
    }
    std::cout << "\nThe lines, the verbs and their arguments are described in docs/scenario.md\n"
                 "("
              << SCENARIO_DOCUMENTATION << ").\n";
}

std::optional<Arguments> ParseArguments(int argc, char** argv) {
    Arguments arguments;
    bool programDirectoryGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help") {
            arguments.help = true;
        } else if (argument == "--live") {
            arguments.live = true;
        } else if ((argument == "--program-dir" || argument == "--png-dir") && i + 1 < argc) {
            programDirectoryGiven = programDirectoryGiven || argument == "--program-dir";
            (argument == "--program-dir" ? arguments.programDirectory : arguments.pngDirectory) =
                argv[++i];
        } else if (argument.starts_with("-") || !arguments.script.empty()) {
            return std::nullopt;
        } else {
            arguments.script = argument;
        }
    }
    if (arguments.script.empty() && !arguments.help) {
        return std::nullopt;
    }
    // Installed, there is no build: run through the launcher, the current directory is the
    // user's start directory, which holds larkspurd and the user's settings.
    std::error_code error;
    if (!programDirectoryGiven && !fs::is_directory(arguments.programDirectory, error)) {
        arguments.programDirectory = fs::current_path(error);
    }
    return arguments;
}

std::optional<std::string> ReadScript(const fs::path& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > kMaxScriptBytes) {
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file) {
        return std::nullopt;
    }
    return text.str();
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Arguments> arguments = ParseArguments(argc, argv);
    if (!arguments) {
        std::cerr << kUsage << "(scenario --help says more)\n";
        return 2;
    }
    if (arguments->help) {
        PrintHelp();
        return 0;
    }
    const std::string name = arguments->script.native();
    const std::optional<std::string> text = ReadScript(arguments->script);
    if (!text) {
        std::cerr << "scenario: " << name << ": cannot read it (or it is larger than "
                  << kMaxScriptBytes << " bytes)\n";
        return 2;
    }
    const std::vector<scenario::Signature> verbs = scenario::AllSignatures();
    const scenario::ParseResult script = scenario::ParseScript(*text, verbs);
    if (script.error) {
        std::cerr << "scenario: " << name << ":" << script.error->line << ": "
                  << platform::EscapeControl(script.error->message) << "\n";  // it quotes the line
        return 2;
    }

    std::optional<scenario::LiveView> live;
    if (arguments->live) {
        live.emplace(std::cout, handset_sim::ConsoleStyleOf(1) /* standard output */);
    }
    scenario::Session session(
        {arguments->programDirectory, arguments->pngDirectory, live ? &*live : nullptr});
    const std::optional<scenario::Failure> failure = scenario::Play(session, script.steps);
    if (!failure) {
        std::cout << "scenario: " << name << ": passed (" << script.steps.size() << " steps)\n";
        return 0;
    }
    const std::string where =
        failure->step != nullptr
            ? name + ":" + std::to_string(failure->step->line) + ": " + failure->step->source
            : name;
    std::cerr << scenario::FailureReport(where, failure->detail, session);
    if (!arguments->pngDirectory.empty()) {
        const scenario::LcdPicture png =
            session.WriteLcdPicture(arguments->script.stem().native() + "-failed.png");
        std::cerr << (png.result == platform::PngResult::kOk
                          ? "the handset's LCD: " + png.path.native()
                          : "cannot write the LCD picture " + png.path.native() + ": " +
                                std::string(platform::ToString(png.result)))
                  << "\n";
    }
    return 1;
}
