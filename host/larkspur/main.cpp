// Larkspur: the system on a desktop. Hosts the engine and its mode plug-ins from the current
// directory, shows the handset's and the softphone's state as a tray icon, and offers the
// settings console from the icon's menu.
//
//   Larkspur [--help]
//
// Exit status: 0 ended by "Exit", by the end of the desktop session or by a signal, or handed
// over to the copy already running; 1 refused (another copy runs without a console to bring
// forward, no usable runtime directory) or the engine cannot be loaded; 2 bad usage.
#include <QApplication>
#include <QSessionManager>
#include <chrono>
#include <cstdio>
#include <string_view>

#include "host/common/HostHelp.h"
#include "host/larkspur/CPageParent.h"
#include "platform/audio/AudioDevices.h"
#include "platform/files/WorkingDirectory.h"
#include "platform/instance/InstanceBeacon.h"
#include "platform/instance/InstanceLock.h"
#include "platform/instance/TerminationSignals.h"
#include "platform/log/DebugLog.h"
#include "platform/loop/MessageLoop.h"
#include "platform/qt/QtLoopPump.h"

namespace {

constexpr const char* kUsage = "usage: Larkspur [--help]\n";
// How long a second copy waits for the running one to answer.
constexpr std::chrono::milliseconds kCallTimeout{2000};
constexpr const char* kHelp =
    "\n"
    "Runs Kestrel on the desktop: makes the USB desk handset the telephone of the softphone.\n"
    "It hosts the engine (libKitecore.so) and its mode plug-ins from the current directory,\n"
    "reads KestrelCFG.ini and KeyDefine.ini there, and shows a tray icon: a handset when the\n"
    "handset and the softphone are online, crossed when the softphone is not, greyed when the\n"
    "handset is not plugged in. The icon's menu opens the settings console (\"Settings\") or\n"
    "ends the program (\"Exit\"). Where the desktop has no tray, the console is shown instead.\n"
    "\n"
    "One copy runs per user, of Larkspur or larkspurd. Starting Larkspur again brings the\n"
    "running copy's console forward.\n"
    "\n"
    "Options:\n"
    "  --help                  show this text and exit\n"
    "\n";
constexpr const char* kExitStatusHelp =
    "Exit status: 0 ended by Exit, the end of the session or a signal, or handed over to the\n"
    "copy already running; 1 refused or the engine cannot be loaded; 2 bad usage.\n";

void Say(std::string_view text) {
    std::fprintf(stderr, "Larkspur: %s\n", platform::EscapeControl(text).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    // Before Qt, which needs a display: help and the single-instance check work without one.
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--help") {
            std::printf("%s%s%s%s", kUsage, kHelp, kHostEnvironmentHelp, kExitStatusHelp);
            return 0;
        }
    }
    if (argc > 1) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    platform::LockAttempt lock = platform::InstanceLock::Acquire(HostCore::kInstanceName);
    if (!lock.lock) {
        // A headless copy has no console to bring forward: then the refusal stands.
        if (lock.outcome == platform::LockOutcome::kHeldElsewhere &&
            platform::InstanceBeacon::Call(HostCore::kInstanceName, kCallTimeout) ==
                platform::InstanceBeacon::CallResult::kAnswered) {
            return 0;
        }
        Say(lock.problem);
        return 1;
    }

    platform::MessageLoop loop;
    QApplication app(argc, argv);
    // The console is hidden most of the time; hiding it must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    const auto audio = platform::ConnectAudioServer(loop, HostCore::kInstanceName);
    CPageParent console(platform::CurrentDirectory(), *audio);
    console.SetOnExit([] { QCoreApplication::exit(0); });
    // Before the engine starts its threads, so that they inherit the blocked signals.
    platform::TerminationSignals termination(loop, [&](int) { console.Exit(); });
    platform::QtLoopPump pump(loop);
    QObject::connect(&app, &QGuiApplication::commitDataRequest,
                     [&](QSessionManager&) { console.Exit(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [&] { console.ShutdownEngine(); });

    // Without a beacon a later copy cannot reach this one, and says another copy runs.
    const auto beacon = platform::InstanceBeacon::Listen(loop, HostCore::kInstanceName,
                                                         [&] { console.ShowConsole(); });
    console.Start();
    if (console.Engine() == nullptr) {
        Say("cannot load the engine (libKitecore.so)");
        return 1;
    }
    if (!console.HasTray()) {
        Say("no system tray on this desktop; the console is shown instead");
    }
    return QApplication::exec();
}
