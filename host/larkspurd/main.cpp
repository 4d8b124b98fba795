// larkspurd: the system without a desktop. Hosts the engine and its plug-ins from the current
// directory, shows the state on stderr, one line per change, and shuts down on SIGINT/SIGTERM.
//
// State lines read "larkspurd: state: " and then "handset online (firmware 12345)" or
// "handset offline", then ", softphone attached" or ", softphone not attached".
#include <cstdio>
#include <string>

#include "engine/CEmualtor.h"
#include "host/common/HostCore.h"
#include "platform/files/WorkingDirectory.h"
#include "platform/instance/TerminationSignals.h"
#include "platform/log/DebugLog.h"
#include "platform/loop/MessageLoop.h"
#include "platform/text/Utf8.h"

namespace {

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

int main() {
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
