// phone-client-sim: a stand-in for the softphone, listening on the client socket.
//
//   phone-client-sim [--socket PATH] [--attach N] [--pending-ms MS]
//
// PATH defaults to $KESTREL_CLIENT_SOCKET, else the runtime directory's "kestrel-client.sock".
// N is the attach answer: 0 success (default), 1 pending, 2 refused, 3 not available. With 1 and
// MS above zero, the links are granted MS milliseconds after the first one asked ("grant" does it
// at any time). Every event is printed as a line: "[n] <- text" a command from link n,
// "[n] -> text" what was sent to it. Commands on standard input, one a line: "say TEXT" sends a
// notification, "logout" logs out, "restart" restarts with a new identity, "quit" (or the end of
// input, SIGINT, SIGTERM) ends the program.
#include <atomic>
#include <charconv>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/instance/TerminationSignals.h"
#include "platform/loop/MessageLoop.h"
#include "platform/loop/MessageRegistry.h"
#include "platform/loop/Window.h"
#include "tools/phone-client-sim/ConsoleCommands.h"
#include "tools/phone-client-sim/PhoneClientSim.h"

namespace {

using phone_client_sim::ConsoleCommand;

constexpr const char* kUsage =
    "usage: phone-client-sim [--socket PATH] [--attach N] [--pending-ms MS]\n"
    "  N: 0 success (default), 1 pending authorisation, 2 refused, 3 not available\n";

std::optional<long> ParseNumber(const std::string& text, long low, long high) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

bool ParseOptions(int argc, char** argv, phone_client_sim::Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            return false;
        }
        const std::string value = argv[++i];
        if (option == "--socket") {
            options.socketPath = value;
        } else if (option == "--attach") {
            const std::optional<long> status = ParseNumber(value, 0, 3);
            if (!status) {
                return false;
            }
            options.attachStatus = static_cast<int>(*status);
        } else if (option == "--pending-ms") {
            const std::optional<long> ms = ParseNumber(value, 0, 24L * 3600 * 1000);
            if (!ms) {
                return false;
            }
            options.pendingTime = std::chrono::milliseconds(*ms);
        } else {
            return false;
        }
    }
    return true;
}

// Carries the lines the reader thread reads over to the loop thread.
class ConsoleWindow final : public platform::Window {
  public:
    ConsoleWindow(platform::MessageLoop& loop, phone_client_sim::PhoneClientSim& sim)
        : Window(loop), sim_(sim), lineMessage_(platform::RegisterWindowMessage("PhoneSimLine")) {}

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
                sim_.Logout();
                return;
            case ConsoleCommand::Kind::kRestart:
                if (!sim_.Restart()) {
                    std::cout << "cannot listen at " << sim_.SocketPath().native() << '\n'
                              << std::flush;
                    Loop().Quit(1);
                }
                return;
            case ConsoleCommand::Kind::kGrant:
                sim_.Grant();
                return;
            case ConsoleCommand::Kind::kQuit:
                Loop().Quit(0);
                return;
            case ConsoleCommand::Kind::kInvalid:
                std::cout << phone_client_sim::kConsoleHelp << '\n' << std::flush;
                return;
        }
    }

    phone_client_sim::PhoneClientSim& sim_;
    const platform::MessageId lineMessage_;
    std::mutex mutex_;
    std::deque<std::string> lines_;
};

}  // namespace

int main(int argc, char** argv) {
    phone_client_sim::Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::cerr << kUsage;
        return 2;
    }
    platform::MessageLoop loop;
    // Before any thread starts, so that every thread inherits the blocked signals.
    platform::TerminationSignals signals(loop, [&loop](int) { loop.Quit(0); });
    phone_client_sim::PhoneClientSim sim(loop, options);
    sim.SetObserver([](const std::string& line) { std::cout << line << '\n' << std::flush; });
    if (!sim.Start()) {
        std::cerr << "phone-client-sim: cannot listen at " << sim.SocketPath().native() << '\n';
        return 1;
    }
    ConsoleWindow console(loop, sim);
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
