// handset-sim: a simulated handset in the terminal, plugged into the host's handset socket.
//
//   handset-sim [--socket PATH] [--product-id N] [--png FILE]
//
// The socket is PATH or $KESTREL_HANDSET_SOCKET. The LCD and a status line are redrawn on every
// change; with --png, FILE is rewritten after every display transfer shown. Commands on standard
// input, one a line: a scan code (decimal or 0x hex) sends that key, "fw TEXT" a firmware report,
// "unplug" and "plug" pull and push the cable, "quit" (or end of input) ends the program. While
// plugged in, a lost connection is retried every half second, as a handset stays in its socket
// when the host restarts.
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "tools/handset-sim/Commands.h"
#include "tools/handset-sim/HandsetSimulator.h"
#include "tools/handset-sim/LcdTerminal.h"
#include "tools/handset-sim/PngEncoder.h"

namespace {

using handset_sim::Command;
using handset_sim::Event;
using handset_sim::FrameKind;
using handset_sim::HandsetState;

constexpr unsigned kPngScale = 4;
constexpr auto kReplugInterval = std::chrono::milliseconds(500);
constexpr const char* kUsage =
    "usage: handset-sim [--socket PATH] [--product-id N] [--png FILE]\n"
    "  PATH defaults to $KESTREL_HANDSET_SOCKET; N to 5001\n";

struct Options {
    std::string socketPath;
    std::uint16_t productId = handset::kDefaultProductId;
    std::string pngPath;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    if (const char* fromEnvironment = std::getenv("KESTREL_HANDSET_SOCKET")) {
        options.socketPath = fromEnvironment;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            return false;
        }
        const std::string value = argv[++i];
        if (option == "--socket") {
            options.socketPath = value;
        } else if (option == "--png") {
            options.pngPath = value;
        } else if (option == "--product-id") {
            unsigned id = 0;
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), id);
            if (error != std::errc() || end != value.data() + value.size() || id > 0xFFFF) {
                return false;
            }
            options.productId = static_cast<std::uint16_t>(id);
        } else {
            return false;
        }
    }
    return !options.socketPath.empty();
}

// Written beside and renamed, so that a viewer never reads half a picture.
void WritePng(const std::string& path, const LCDFrame& lcd) {
    const std::vector<std::uint8_t> png = handset_sim::EncodeLcdPng(lcd, kPngScale);
    const std::string temporary = path + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(png.data()),
                   static_cast<std::streamsize>(png.size()));
        if (!file) {
            return;
        }
    }
    std::error_code ignored;
    std::filesystem::rename(temporary, path, ignored);
}

std::string Describe(const Event& event) {
    switch (event.kind) {
        case Event::Kind::Plugged:
            return "plugged in";
        case Event::Kind::Unplugged:
            return "unplugged";
        case Event::Kind::Received:
            break;
    }
    if (event.decoded.kind == FrameKind::Control) {
        return std::string(handset_sim::CommandName(event.decoded.command)) + " " +
               std::to_string(event.decoded.value);
    }
    return std::string(handset_sim::ToString(event.decoded.kind));
}

class Screen {
  public:
    void Draw(const HandsetState& state, bool plugged, const std::string& firmware,
              const std::string& note) {
        std::lock_guard lock(mutex_);
        std::string text = "\x1b[H\x1b[J";
        text += handset_sim::RenderLcd(state.lcd);
        text += handset_sim::StatusLine(state, plugged, firmware);
        text += "\nlast: " + note + "\n> ";
        std::cout << text << std::flush;
    }

  private:
    std::mutex mutex_;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::cerr << kUsage;
        return 2;
    }

    handset_sim::HandsetSimulator simulator(options.productId);
    Screen screen;
    simulator.SetObserver([&](const Event& event, const HandsetState& state) {
        if (event.kind == Event::Kind::Received &&
            (event.decoded.kind == FrameKind::DisplayHeader ||
             event.decoded.kind == FrameKind::DisplayData)) {
            return;
        }
        if (event.decoded.kind == FrameKind::DisplayShown && !options.pngPath.empty()) {
            WritePng(options.pngPath, state.lcd);
        }
        screen.Draw(state, event.kind != Event::Kind::Unplugged, simulator.Firmware(),
                    Describe(event));
    });

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
    screen.Draw(simulator.State(), false, "", "connecting to " + options.socketPath);

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
                screen.Draw(simulator.State(), simulator.IsPlugged(), simulator.Firmware(),
                            "? a scan code, fw TEXT, plug, unplug or quit");
                continue;
        }
        if (quit) {
            break;
        }
        if (!sent) {
            lock.unlock();
            screen.Draw(simulator.State(), simulator.IsPlugged(), simulator.Firmware(),
                        "not sent: not plugged in");
        }
    }
    {
        std::lock_guard lock(control);
        quit = true;
        wake.notify_all();
    }
    replugger.join();
    simulator.Unplug();
    std::cout << "\n";
    return 0;
}
