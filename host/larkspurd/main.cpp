// larkspurd: the system without a desktop. Hosts the engine and its plug-ins from the current
// directory, shows the state on stderr, one line per change, and shuts down on SIGINT/SIGTERM.
//
// State lines read "larkspurd: state: " and then "handset online (firmware 12345)" or
// "handset offline", then ", softphone attached" or ", softphone not attached".
//
//   larkspurd [--help]
//
// Exit status: 0 shut down by a signal; 1 refused (another copy runs, no usable runtime
// directory) or the engine cannot be loaded; 2 bad usage.
#include <cstdio>
#include <string>
#include <string_view>

#include "engine/CEmualtor.h"
#include "host/common/HostCore.h"
#include "platform/files/WorkingDirectory.h"
#include "platform/instance/TerminationSignals.h"
#include "platform/log/DebugLog.h"
#include "platform/loop/MessageLoop.h"
#include "platform/text/Utf8.h"

namespace {

constexpr const char* kUsage = "usage: larkspurd [--help]\n";
constexpr const char* kHelp =
    "\n"
    "Runs Kestrel without a desktop: makes the USB desk handset the telephone of the softphone.\n"
    "It hosts the engine (libKitecore.so) and its mode plug-ins from the current directory,\n"
    "reads KestrelCFG.ini and KeyDefine.ini there, prints one line on stderr per change of state\n"
    "(\"larkspurd: state: handset online (firmware 12345), softphone attached\") and shuts down\n"
    "on SIGINT or SIGTERM. One copy runs per user; a second one says so and exits with status 1.\n"
    "\n"
    "Options:\n"
    "  --help                  show this text and exit\n"
    "\n"
    "Environment:\n"
    "  KESTREL_HANDSET_SOCKET  listen there for the handset simulator instead of using the real\n"
    "                          handset through hidraw\n"
    "  KESTREL_CLIENT_SOCKET   the softphone's socket (default: kestrel-client.sock in\n"
    "                          $XDG_RUNTIME_DIR)\n"
    "  KESTREL_DEBUG=1         also say on stderr what is dropped and why\n"
    "\n"
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

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--help") {
        std::printf("%s%s", kUsage, kHelp);
        return 0;
    }
    if (argc != 1) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    platform::MessageLoop loop;
    HeadlessHost host(platform::CurrentDirectory());
    if (const std::string problem = host.TakeInstanceLock(); !problem.empty()) {
        std::fprintf(stderr, "larkspurd: %s\n", platform::EscapeControl(problem).c_str());
        return 1;
    }
    // Before the engine starts its threads, so that they inherit the blocked signals.
    platform::TerminationSignals signals(loop, [&](int) {
        host.ShutdownEngine();
        loop.Quit(0);
    });
    if (!host.StartEngine()) {
        std::fprintf(stderr, "larkspurd: cannot load the engine (libKitecore.so)\n");
        return 1;
    }
    std::fprintf(stderr, "larkspurd: %s running\n",
                 platform::EscapeControl(platform::ToUtf8(host.AppName())).c_str());
    return loop.Run();
}
