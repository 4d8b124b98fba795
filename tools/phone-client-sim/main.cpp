// phone-client-sim: a stand-in for the softphone, listening on the client socket, with a model of
// its calls and its voice messages. Its options and the commands it reads are in kSummary,
// CommandsHelp and the option table below (see --help).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/instance/TerminationSignals.h"
#include "platform/log/DebugLog.h"
#include "platform/loop/MessageLoop.h"
#include "platform/loop/MessageRegistry.h"
#include "platform/loop/Window.h"
#include "tools/common/CommandLine.h"
#include "tools/phone-client-sim/CallCommands.h"
#include "tools/phone-client-sim/CallModel.h"
#include "tools/phone-client-sim/CallTicker.h"
#include "tools/phone-client-sim/ConsoleCommands.h"
#include "tools/phone-client-sim/PhoneClientSim.h"
#include "tools/phone-client-sim/VoicemailCommands.h"
#include "tools/phone-client-sim/VoicemailModel.h"
#include "tools/phone-client-sim/VoicemailTicker.h"
#include "tools/phone-client-sim/WallClock.h"

namespace {

using phone_client_sim::ConsoleCommand;

constexpr std::string_view kSummary =
    "phone-client-sim: a stand-in for the softphone. It listens on the client socket\n"
    "($KESTREL_CLIENT_SOCKET, else kestrel-client.sock in the runtime directory), answers every\n"
    "link that attaches with the chosen answer and the commands it knows, and prints every event\n"
    "as a line: \"[n] <- text\" a command from link n, \"[n] -> text\" what was sent to it.\n"
    "It plays the softphone's calls: the far end's events come from its standard input, the\n"
    "links' call commands are answered (docs/client-protocol.md), and answered calls notify\n"
    "their DURATION every second. The history of earlier calls is seeded with \"history\".\n"
    "It holds voice messages too (\"voicemail\"), which the links list, open and close; one\n"
    "plays for its length, one second a tick.\n"
    "SIGINT and SIGTERM end it as quit does.\n";

constexpr std::string_view kCommands =
    "  say TEXT  send TEXT as a notification to every attached link\n"
    "  logout    hang up every call and stop the voice message playing, then log out: links\n"
    "            are refused as not available\n"
    "  restart   the same, then restart with a new identity\n"
    "  grant     grant the links waiting for authorisation\n"
    "  calls     list the calls the softphone knows, ended ones too\n"
    "  voicemails  list the voice messages the softphone holds\n"
    "  quit      end the program, as the end of input does\n"
    "Calls (ID: a number above 0 that no call has had; NAME: the rest of the line, may be\n"
    "empty; voice mail takes an unanswered outgoing call, forward only; TIMESTAMP: seconds\n"
    "since 1970 UTC, 0 to 4294967295):\n";

constexpr std::string_view kVoicemailCommands =
    "Voice messages (ID: a number above 0 that no voice message has had; SECONDS: its length,\n"
    "1 to 4294967295; TIMESTAMP: when it was left; NAME: who left it, may be empty):\n";

// One line per event of `verbs`, their help in a column.
template <typename Verbs>
void AddEventLines(const Verbs& verbs, std::string& help) {
    std::size_t width = 0;
    for (const auto& verb : verbs) {
        width = std::max(width, verb.name.size() + 1 + Usage(verb.shape).size());
    }
    for (const auto& verb : verbs) {
        std::string line = "  ";
        line.append(verb.name).append(" ").append(Usage(verb.shape));
        line.resize(width + 4, ' ');
        help.append(line).append(verb.help).append("\n");
    }
}

// The fixed commands, then a line per call event and one per voice-message event.
std::string CommandsHelp() {
    std::string help(kCommands);
    AddEventLines(phone_client_sim::CallEventVerbs(), help);
    help.append(kVoicemailCommands);
    AddEventLines(phone_client_sim::VoicemailEventVerbs(), help);
    return help;
}

constexpr std::int64_t kMaxPendingMs = 24LL * 3600 * 1000;

// Carries the lines the reader thread reads over to the loop thread.
class ConsoleWindow final : public platform::Window {
  public:
    ConsoleWindow(platform::MessageLoop& loop, phone_client_sim::PhoneClientSim& sim,
                  phone_client_sim::CallModel& calls, phone_client_sim::VoicemailModel& voicemails)
        : Window(loop),
          sim_(sim),
          calls_(calls),
          voicemails_(voicemails),
          lineMessage_(platform::RegisterWindowMessage("PhoneSimLine")) {}

    // Reader thread.
    void Deliver(std::string line) {
        {
            std::lock_guard lock(mutex_);
            lines_.push_back(std::move(line));
        }
        platform::PostMessage(Handle(), lineMessage_, 0, 0);
    }

    platform::LRESULT WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override {
        if (message != lineMessage_) {
            return Window::WindowProc(message, wParam, lParam);
        }
        std::string line;
        {
            std::lock_guard lock(mutex_);
            if (lines_.empty()) {
                return 1;
            }
            line = std::move(lines_.front());
            lines_.pop_front();
        }
        Execute(phone_client_sim::ParseConsoleCommand(line));
        return 1;
    }

  private:
    void Execute(const ConsoleCommand& command) {
        switch (command.kind) {
            case ConsoleCommand::Kind::kNone:
                return;
            case ConsoleCommand::Kind::kSay:
                if (sim_.Notify(command.text) == 0) {
                    std::cout << "not sent: no link attached\n" << std::flush;
                }
                return;
            case ConsoleCommand::Kind::kLogout:
                calls_.HangUpAll();
                voicemails_.StopPlaying();
                sim_.Logout();
                return;
            case ConsoleCommand::Kind::kRestart:
                calls_.HangUpAll();
                voicemails_.StopPlaying();
                if (!sim_.Restart()) {
                    std::cout << "cannot listen at " << sim_.SocketPath().native() << '\n'
                              << std::flush;
                    Loop().Quit(1);
                }
                return;
            case ConsoleCommand::Kind::kGrant:
                sim_.Grant();
                return;
            case ConsoleCommand::Kind::kCalls:
                ListCalls();
                return;
            case ConsoleCommand::Kind::kCallEvent:
                if (const phone_client_sim::CallResult result =
                        command.verb->play(calls_, command.event);
                    !result.Ok()) {
                    std::cout << platform::EscapeControl(result.why) << '\n' << std::flush;
                }
                return;
            case ConsoleCommand::Kind::kVoicemails:
                ListVoicemails();
                return;
            case ConsoleCommand::Kind::kVoicemailEvent:
                if (const phone_client_sim::VoicemailResult result =
                        command.voicemailVerb->play(voicemails_, command.voicemailEvent);
                    !result.Ok()) {
                    std::cout << platform::EscapeControl(result.why) << '\n' << std::flush;
                }
                return;
            case ConsoleCommand::Kind::kQuit:
                Loop().Quit(0);
                return;
            case ConsoleCommand::Kind::kInvalid:
                std::cout << (command.text.empty() ? phone_client_sim::ConsoleHelp() : command.text)
                          << '\n'
                          << std::flush;
                return;
        }
    }

    void ListCalls() const {
        if (calls_.Calls().empty()) {
            std::cout << "no calls\n";
        }
        for (const phone_client_sim::CallInfo& call : calls_.Calls()) {
            std::cout << "call " << platform::EscapeControl(Describe(call)) << '\n';
        }
        std::cout << std::flush;
    }

    void ListVoicemails() const {
        if (voicemails_.Voicemails().empty()) {
            std::cout << "no voice messages\n";
        }
        for (const phone_client_sim::VoicemailInfo& voicemail : voicemails_.Voicemails()) {
            std::cout << "voicemail " << platform::EscapeControl(Describe(voicemail)) << '\n';
        }
        std::cout << std::flush;
    }

    phone_client_sim::PhoneClientSim& sim_;
    phone_client_sim::CallModel& calls_;
    phone_client_sim::VoicemailModel& voicemails_;
    const platform::MessageId lineMessage_;
    std::mutex mutex_;
    std::deque<std::string> lines_;
};

}  // namespace

int main(int argc, char** argv) {
    phone_client_sim::Options options;
    const tools::Option table[] = {
        {"--socket", "PATH", "the client socket to listen on", tools::StoreText(options.socketPath),
         "KESTREL_CLIENT_SOCKET"},
        {"--attach", "N", "answer links 0 success (default), 1 pending, 2 refused, 3 not available",
         tools::StoreInteger(options.attachStatus, 0, 3)},
        {"--pending-ms", "MS",
         "with --attach 1, grant MS ms after the first link asked (0: at grant)",
         [&options](std::string_view value) {
             const std::optional<std::int64_t> ms = tools::ParseInteger(value, 0, kMaxPendingMs);
             if (ms) {
                 options.pendingTime = std::chrono::milliseconds(*ms);
             }
             return ms.has_value();
         }},
    };
    const std::string commands = CommandsHelp();
    const tools::Program program{"phone-client-sim", kSummary, commands, table};
    if (const std::optional<int> status =
            tools::HandleCommandLine(program, argc, argv, std::cout, std::cerr)) {
        return *status;
    }
    platform::MessageLoop loop;
    // Before any thread starts, so that every thread inherits the blocked signals.
    platform::TerminationSignals signals(loop, [&loop](int) { loop.Quit(0); });
    phone_client_sim::PhoneClientSim sim(loop, options);
    phone_client_sim::CallModel calls([&sim](const std::string& text) { sim.Notify(text); },
                                      phone_client_sim::SecondsSince1970);
    phone_client_sim::CallTicker ticker(loop, calls);
    sim.AddCommandHandler(std::make_unique<phone_client_sim::CallCommands>(calls));
    phone_client_sim::VoicemailModel voicemails(
        [&sim](const std::string& text) { sim.Notify(text); });
    phone_client_sim::VoicemailTicker voicemailTicker(loop, voicemails);
    sim.AddCommandHandler(std::make_unique<phone_client_sim::VoicemailCommands>(voicemails));
    // The lines repeat what the system sent: escaped, so that no text of it reaches the terminal
    // as a control.
    sim.SetObserver([](const std::string& line) {
        std::cout << platform::EscapeControl(line) << '\n' << std::flush;
    });
    if (!sim.Start()) {
        std::cerr << "phone-client-sim: cannot listen at " << sim.SocketPath().native() << '\n';
        return 1;
    }
    ConsoleWindow console(loop, sim, calls, voicemails);
    std::atomic<bool> readerDone = false;
    std::thread reader([&console, &readerDone] {
        std::string line;
        while (std::getline(std::cin, line) &&
               phone_client_sim::ParseConsoleCommand(line).kind != ConsoleCommand::Kind::kQuit) {
            console.Deliver(line);
        }
        console.Deliver("quit");
        readerDone = true;
    });
    const int code = loop.Run();
    sim.Stop();  // removes the socket
    if (!readerDone) {
        // Ended by a signal or a failed restart while the reader waits on standard input: leave
        // without unwinding, so that it never sees the console window destroyed.
        std::cout.flush();
        std::_Exit(code);
    }
    reader.join();
    return code;
}
