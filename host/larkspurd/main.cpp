// larkspurd: the system without a desktop. Hosts the engine and its plug-ins from the current
// directory, shows the state on stderr, one line per change, writes the engine's LCD mirror as a
// PNG on SIGUSR1 and shuts down on SIGINT/SIGTERM.
//
// State lines read "larkspurd: state: " and then "handset online (firmware 12345)" or
// "handset offline", then ", softphone attached" or ", softphone not attached".
//
//   larkspurd [--help] [--lcd-png FILE]
//
// Exit status: 0 shut down by a signal; 1 refused (another copy runs, no usable runtime
// directory) or the engine cannot be loaded; 2 bad usage.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "engine/CEmualtor.h"
#include "host/common/HostCore.h"
#include "host/common/HostHelp.h"
#include "host/common/LcdMirrorPng.h"
#include "platform/files/RuntimeDirectory.h"
#include "platform/files/WorkingDirectory.h"
#include "platform/instance/TerminationSignals.h"
#include "platform/instance/UserSignal.h"
#include "platform/log/DebugLog.h"
#include "platform/loop/MessageLoop.h"
#include "platform/text/Utf8.h"

namespace {

constexpr const char* kUsage = "usage: larkspurd [--help] [--lcd-png FILE]\n";
constexpr const char* kLcdPngName = "kestrel-lcd.png";
constexpr const char* kHelp =
    "\n"
    "Runs Kestrel without a desktop: makes the USB desk handset the telephone of the softphone.\n"
    "It hosts the engine (libKitecore.so) and its mode plug-ins from the current directory,\n"
    "reads KestrelCFG.ini and KeyDefine.ini there, prints one line on stderr per change of state\n"
    "(\"larkspurd: state: handset online (firmware 12345), softphone attached\") and shuts down\n"
    "on SIGINT or SIGTERM. One copy runs per user; a second one says so and exits with status 1.\n"
    "\n"
    "On SIGUSR1 (kill -USR1 PID) it writes the LCD as the engine mirrors it as a PNG, the\n"
    "picture to attach to a report about a screen, and says on stderr where.\n"
    "\n"
    "Options:\n"
    "  --help                  show this text and exit\n"
    "  --lcd-png FILE          where SIGUSR1 writes the LCD picture (default: kestrel-lcd.png in\n"
    "                          $XDG_RUNTIME_DIR, or without it in kestrel-UID in the temporary\n"
    "                          directory)\n"
    "\n";
constexpr const char* kExitStatusHelp =
    "Exit status: 0 shut down by a signal; 1 refused or the engine cannot be loaded; 2 bad "
    "usage.\n";

class HeadlessHost : public HostCore {
  public:
    using HostCore::HostCore;

  protected:
    void ShowState(TrayIcon icon, const std::wstring& /*tip*/) override {
        icon_ = icon;
        Print();
    }
    void ShowFirmware(const std::wstring& /*text*/) override { Print(); }

  private:
    void Print() {
        const std::string line = StateLine(icon_ != TrayIcon::NoDevice, FirmwareText(),
                                           Engine() != nullptr && Engine()->GetSkypeOnline());
        if (line != last_) {
            last_ = line;
            std::fprintf(stderr, "larkspurd: state: %s\n", line.c_str());
        }
    }
    TrayIcon icon_ = TrayIcon::NoDevice;
    std::string last_;
};

struct Options {
    bool help = false;
    std::optional<std::filesystem::path> lcdPng;
};

// Nothing on bad usage; "--help" anywhere asks for the help and nothing else.
std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--help") {
            options.help = true;
            return options;
        }
    }
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--lcd-png" && i + 1 < argc && *argv[i + 1] != '\0') {
            options.lcdPng = std::filesystem::absolute(argv[++i]);
        } else {
            return std::nullopt;
        }
    }
    return options;
}

// The runtime directory is there by now: the instance lock lives in it.
std::filesystem::path DefaultLcdPngPath() {
    const std::filesystem::path runtime = platform::RuntimeDirectory();
    return runtime.empty() ? std::filesystem::absolute(kLcdPngName) : runtime / kLcdPngName;
}

void WriteLcdMirror(const HostCore& host, const std::filesystem::path& path) {
    const std::string shown = platform::EscapeControl(path.native());
    auto fail = [&](std::string_view why) {
        std::fprintf(stderr, "larkspurd: cannot write the LCD mirror to %s: %s\n", shown.c_str(),
                     std::string(why).c_str());
    };
    // A request that comes with the shut-down finds the engine gone.
    if (host.Engine() == nullptr) {
        fail("the engine is not running");
        return;
    }
    const platform::PngResult written = WriteLcdMirrorPng(host.Engine()->Handle(), path);
    if (written != platform::PngResult::kOk) {
        fail(platform::ToString(written));
        return;
    }
    std::fprintf(stderr, "larkspurd: LCD mirror written to %s\n", shown.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = ParseOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    if (options->help) {
        std::printf("%s%s%s%s", kUsage, kHelp, kHostEnvironmentHelp, kExitStatusHelp);
        return 0;
    }
    platform::MessageLoop loop;
    HeadlessHost host(platform::CurrentDirectory());
    if (const std::string problem = host.TakeInstanceLock(); !problem.empty()) {
        std::fprintf(stderr, "larkspurd: %s\n", platform::EscapeControl(problem).c_str());
        return 1;
    }
    const std::filesystem::path lcdPng = options->lcdPng ? *options->lcdPng : DefaultLcdPngPath();
    // Before the engine starts its threads, so that they inherit the blocked signals.
    platform::TerminationSignals signals(loop, [&](int) {
        host.ShutdownEngine();
        loop.Quit(0);
    });
    platform::UserSignal mirrorRequest(loop, [&] { WriteLcdMirror(host, lcdPng); });
    if (!host.StartEngine()) {
        std::fprintf(stderr, "larkspurd: cannot load the engine (libKitecore.so)\n");
        return 1;
    }
    std::fprintf(stderr, "larkspurd: %s running\n",
                 platform::EscapeControl(platform::ToUtf8(host.AppName())).c_str());
    return loop.Run();
}
