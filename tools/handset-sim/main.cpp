// handset-sim: a simulated handset, plugged into the system's handset socket. Its options and
// the commands it reads are in kSummary, kCommands and the option table below (see --help).
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "tools/common/CommandLine.h"
#include "tools/handset-sim/Commands.h"
#include "tools/handset-sim/ConsoleView.h"
#include "tools/handset-sim/HandsetSimulator.h"
#include "tools/handset-sim/PngEncoder.h"

namespace {

using handset_sim::Command;
using handset_sim::Event;
using handset_sim::FrameKind;
using handset_sim::HandsetState;

constexpr unsigned kPngScale = 4;
constexpr auto kReplugInterval = std::chrono::milliseconds(500);

constexpr std::string_view kSummary =
    "handset-sim: a simulated Kestrel handset. It plugs into the system's handset socket as the\n"
    "USB handset would, sends the keys and the firmware version typed on standard input, and\n"
    "checks and shows what the system sends it. In a terminal it draws the LCD and a status\n"
    "line; otherwise it prints one line per event. While plugged in, a lost connection is\n"
    "retried every half second, as a handset stays plugged in when the system restarts.\n"
    "It reads the LCD's four text rows back from the pixels with GNU Unifont\n"
    "(/usr/share/unifont/unifont.hex, Debian package unifont; KESTREL_UNIFONT names another\n"
    ".hex file) and shows them beside the LCD.\n";

constexpr std::string_view kCommands =
    "  N        press the key with scan code N: 0..255, decimal or 0x hexadecimal (6 hangs up)\n"
    "  fw TEXT  send TEXT's first five characters as the firmware version\n"
    "  unplug   pull the cable\n"
    "  plug     plug it in again\n"
    "  quit     end the program, as the end of input does\n";

struct Options {
    std::string socketPath;
    std::uint16_t productId = handset_sim::kDefaultProductId;
    std::string pngPath;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const tools::Option table[] = {
        {"--socket", "PATH", "the system's handset socket", tools::StoreText(options.socketPath),
         "KESTREL_HANDSET_SOCKET", true},
        {"--product-id", "N", "the USB product id the handset announces, 0..65535 (5001)",
         tools::StoreInteger(options.productId, 0, 0xFFFF)},
        {"--png", "FILE", "rewrite FILE with the LCD's picture after every image shown",
         tools::StoreText(options.pngPath)},
    };
    const tools::Program program{"handset-sim", kSummary, kCommands, table};
    if (const std::optional<int> status =
            tools::HandleCommandLine(program, argc, argv, std::cout, std::cerr)) {
        return *status;
    }

    handset_sim::HandsetSimulator simulator(options.productId);
    const handset_sim::ConsoleStyle style = handset_sim::ConsoleStyleOf(STDOUT_FILENO);
    handset_sim::ConsoleView view(std::cout, style);
    simulator.SetObserver([&](const Event& event, const HandsetState& state) {
        view.Show(event, state, simulator.Firmware());
        if (event.decoded.kind != FrameKind::DisplayShown || options.pngPath.empty()) {
            return;
        }
        const platform::PngResult written =
            handset_sim::WriteLcdPng(options.pngPath, state.lcd, kPngScale);
        if (written != platform::PngResult::kOk) {
            view.Note(
                "cannot write " + options.pngPath + ": " + std::string(platform::ToString(written)),
                state, true, simulator.Firmware());
        }
    });

    view.Note("connecting to " + options.socketPath, simulator.State(), false, "");

    // Plug, Unplug and the reports go through one lock: the replugging thread uses them too.
    std::mutex control;
    std::condition_variable wake;
    bool wantPlugged = true;
    bool quit = false;
    std::thread replugger([&] {
        std::unique_lock lock(control);
        while (!quit) {
            if (wantPlugged && !simulator.IsPlugged()) {
                simulator.Plug(options.socketPath);
            }
            wake.wait_for(lock, kReplugInterval);
        }
    });
    const auto note = [&](const std::string& text) {
        view.Note(text, simulator.State(), simulator.IsPlugged(), simulator.Firmware());
    };

    std::string line;
    while (std::getline(std::cin, line)) {
        const Command command = handset_sim::ParseCommand(line);
        std::unique_lock lock(control);
        bool sent = true;
        switch (command.kind) {
            case Command::Kind::None:
                break;
            case Command::Kind::Key:
                sent = simulator.SendKey(command.scanCode);
                break;
            case Command::Kind::Firmware:
                sent = simulator.SendFirmware(command.text);
                break;
            case Command::Kind::Plug:
                wantPlugged = true;
                wake.notify_all();
                break;
            case Command::Kind::Unplug:
                wantPlugged = false;
                simulator.Unplug();
                break;
            case Command::Kind::Quit:
                quit = true;
                break;
            case Command::Kind::Invalid:
                lock.unlock();
                note("? a scan code, fw TEXT, plug, unplug or quit");
                continue;
        }
        if (quit) {
            break;
        }
        if (!sent) {
            lock.unlock();
            note("not sent: not plugged in");
        }
    }
    {
        std::lock_guard lock(control);
        quit = true;
        wake.notify_all();
    }
    replugger.join();
    simulator.Unplug();
    if (style == handset_sim::ConsoleStyle::kTerminal) {
        std::cout << "\n";  // off the prompt line
    }
    return 0;
}
