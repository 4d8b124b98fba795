// One run of Larkspur on a desktop of the test's own: a private Xvfb (which has no XEmbed tray
// manager), a private session bus with or without the test's StatusNotifierWatcher on it, and the
// scenario session with the simulated handset and softphone. The session's loop runs inside Qt's
// (QtLoopPump), and every wait runs Qt's loop, so that the watcher, the X connection, the
// softphone and the host's output are all served while the test waits.
#pragma once

#include <QDBusConnection>
#include <QImage>
#include <QSocketNotifier>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/keys/tests/XvfbServer.h"
#include "platform/qt/QtLoopPump.h"
#include "tests/desktop/SessionBus.h"
#include "tests/desktop/TrayWatcher.h"
#include "tests/desktop/XWindows.h"
#include "tools/scenario/Session.h"
#include "tools/scenario/TemporaryDirectory.h"

namespace desktop_test {

// How long a process of the desktop is given for what is waited on: generous, since everything
// runs under the sanitizers on a shared machine.
inline constexpr std::chrono::milliseconds kPatience{20000};

// The sample's names: the tip's and the console's.
inline const std::string kAppName = "Quillon";
inline const std::string kConsoleTitle = "Quillon Console";

class DesktopRun {
  public:
    enum class Tray { kWatcher, kNone };
    // The three pictures, by their key in [ICON].
    enum class Picture { kAllOk, kNoSkype, kNoDevice };

    // What the desktop tests need and this machine lacks, or empty.
    static std::string MissingPrograms();

    explicit DesktopRun(Tray tray);
    ~DesktopRun();
    DesktopRun(const DesktopRun&) = delete;
    DesktopRun& operator=(const DesktopRun&) = delete;

    // Empty once the desktop is up; what failed otherwise.
    const std::string& Failure() const { return failure_; }

    // Prepares the run's program directory (with tray pictures of its own where the sample's
    // [ICON] names none) and starts Larkspur; empty when it listens for handsets.
    std::string LaunchLarkspur();

    scenario::Session& Session() { return *session_; }
    XWindows& Windows() { return *windows_; }
    // nullptr without a watcher.
    StatusNotifierWatcher* Watcher() { return watcher_.get(); }
    // The first item registered, or nullptr.
    TrayItem* Item();

    // Runs Qt's loop until `done` holds or `timeout` passes; returns whether it held.
    bool WaitUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = kPatience);
    // Waits for a call sent to the item to be answered.
    bool WaitForItemAnswers();

    // The console windows as the X server has them now.
    std::vector<XWindows::TopLevel> Consoles();
    bool ConsoleMapped();
    // There is a console window and none is mapped.
    bool ConsoleHidden();

    // Which of the three pictures the item shows now, when one clearly: the item's largest
    // pixmap is much nearer to it than to either other.
    std::optional<Picture> PictureShown();
    // Whether the item shows `tip` and `picture`.
    bool Shows(const std::string& tip, Picture picture);
    // The item, the console and the host's last words, for a failure's message.
    std::string Describe();

  private:
    std::string PrepareTrayPictures();

    std::unique_ptr<scenario::TemporaryDirectory> directory_;
    std::unique_ptr<platform::XvfbServer> xvfb_;
    std::unique_ptr<SessionBus> bus_;
    QString connectionName_;
    std::unique_ptr<StatusNotifierWatcher> watcher_;
    std::unique_ptr<scenario::Session> session_;
    std::unique_ptr<platform::QtLoopPump> pump_;
    std::unique_ptr<XWindows> windows_;
    std::unique_ptr<QSocketNotifier> xEvents_;
    std::map<Picture, QImage> pictures_;
    std::string failure_;
};

std::string ToString(DesktopRun::Picture picture);

// "exit status 0", "signal 9", or "still running": how a host ended, readable in a failure.
std::string HowEnded(const scenario::HostProcess& host);

// Whether the handset received the control commands `commands` (command, value), in this order,
// from event number `from` on, other reports between them allowed.
bool ReceivedInOrder(const handset_sim::HandsetSimulator& handset, std::size_t from,
                     const std::vector<std::pair<int, int>>& commands);

}  // namespace desktop_test
