// One run of a script: the temporary directory with both sockets, the simulated handset and
// softphone, larkspurd, the cursors the expectations move, and waiting on all of them at once.
//
// Everything runs on the thread that made the session; waiting pumps its message loop, so the
// softphone keeps answering and the host's output keeps being read meanwhile.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/childprocess/ChildProcess.h"
#include "platform/loop/MessageLoop.h"
#include "platform/loop/Window.h"
#include "platform/png/PngWriter.h"
#include "tools/handset-sim/HandsetSimulator.h"
#include "tools/scenario/HostProcess.h"
#include "tools/scenario/LiveView.h"
#include "tools/scenario/Outcome.h"
#include "tools/scenario/Softphone.h"
#include "tools/scenario/TemporaryDirectory.h"

namespace scenario {

// How long the system is given for what a script expects of it.
inline constexpr std::chrono::milliseconds kExpectTimeout{3000};
// How long larkspurd may take to be ready after it was started.
inline constexpr std::chrono::milliseconds kHostStartTimeout{10000};
// How long larkspurd may take to end after SIGTERM, and after SIGKILL.
inline constexpr std::chrono::milliseconds kHostStopTimeout{5000};
inline constexpr std::chrono::milliseconds kHostKillTimeout{2000};

struct SessionOptions {
    std::filesystem::path programDirectory;  // larkspurd's, and its current directory
    // Where pictures of the LCD go; empty for the current directory.
    std::filesystem::path pngDirectory{};
    // Shows the LCD as it changes, and the notes; nullptr for none.
    LiveView* live = nullptr;
    // The host program of the program directory that the run starts.
    std::string hostProgram = "larkspurd";
    // Whether the host prints state lines; Launch waits for the first one only when it does.
    bool hostShowsStates = true;
    // Set in the host's environment beyond the run's own, replacing a variable of the same name
    // (DISPLAY, for a host that is to reach a display).
    std::vector<std::pair<std::string, std::string>> hostEnvironment{};
    // For a session whose loop runs inside another (a QtLoopPump): how waiting runs that other
    // loop, for at most the time given, so that it keeps serving meanwhile. Empty: the session
    // waits on its own loop.
    std::function<void(std::chrono::milliseconds)> wait{};
};

// A picture of the handset's LCD, and whether it was written.
struct LcdPicture {
    std::filesystem::path path;
    platform::PngResult result = platform::PngResult::kOk;
};

class Session {
  public:
    // Nothing runs before Start; until then the host has not started and the softphone has no
    // socket.
    explicit Session(SessionOptions options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Makes the temporary directory and the run's program directory in it; larkspurd has not
    // started yet, so its settings may still be changed (SettingsFile).
    Outcome Prepare();
    // Starts the host (larkspurd unless the options name another) in the prepared directory,
    // then waits until it listens for handsets and, when it shows states, has shown its first
    // one. The handset starts unplugged and no softphone listens.
    Outcome Launch();

    // The run's copy of the settings file that holds `section`: KeyDefine.ini for [KeyDef],
    // KestrelCFG.ini for every other section. Empty before Prepare.
    std::filesystem::path SettingsFile(std::string_view section) const;
    // A line saying what the script does now: to the live view, or to standard output.
    void Note(const std::string& text);
    // SIGTERM to larkspurd and a wait for its end; SIGKILL when it does not end in time. Fails
    // unless it ended by itself with status 0. Nothing to do once it has ended.
    Outcome StopHost();
    // Starts another host in the same environment and waits up to `timeout` for its end
    // (SecondHost() then tells how it ended and what it said): the session's host program, or
    // `program` of the program directory when given. Fails when it cannot start or does not end
    // in time; it is killed then.
    Outcome RunSecondHost(std::chrono::milliseconds timeout, std::string_view program = {});

    // Writes the handset's LCD as it is now, as the PNG file `fileName` in the PNG directory,
    // replacing a file of that name.
    LcdPicture WriteLcdPicture(const std::string& fileName) const;

    // Pumps the loop until `done` holds or `timeout` passes; returns whether it held.
    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    handset_sim::HandsetSimulator& Handset() { return handset_; }
    const handset_sim::HandsetSimulator& Handset() const { return handset_; }
    Softphone& Phone() { return *phone_; }
    const Softphone& Phone() const { return *phone_; }
    HostProcess& Host() { return *host_; }
    const HostProcess& Host() const { return *host_; }
    // The last second larkspurd started, or nullptr.
    const HostProcess* SecondHost() const { return second_.get(); }
    // The loop the session pumps while it waits: whatever else a test watches goes on it.
    platform::MessageLoop& Loop() { return loop_; }
    const std::filesystem::path& HandsetSocket() const { return handsetSocket_; }
    // Where larkspurd looks for the softphone; the run's own softphone listens there only once
    // attached, so another client (a bridge to a real softphone) may listen there instead.
    const std::filesystem::path& ClientSocket() const { return clientSocket_; }

    // Where the next expectation of each kind starts looking: softphone commands, handset
    // events (handset_sim numbering) and host states.
    std::size_t commandCursor = 0;
    std::size_t handsetCursor = 0;
    std::size_t stateCursor = 0;

  private:
    // Wakes the pump when the handset's receiving thread logs something.
    class Waker final : public platform::Window {
      public:
        explicit Waker(platform::MessageLoop& loop) : Window(loop) { Show(false); }
    };

    platform::ChildOptions HostOptions(std::string_view program) const;
    // Fills `to` with copies of the settings files of `from` and links to the rest; what went
    // wrong, or nothing.
    static std::string MirrorProgramDirectory(const std::filesystem::path& from,
                                              const std::filesystem::path& to);

    SessionOptions options_;
    platform::MessageLoop loop_;
    Waker waker_;
    std::unique_ptr<TemporaryDirectory> directory_;
    std::filesystem::path handsetSocket_;
    std::filesystem::path clientSocket_;
    std::filesystem::path runtimeDirectory_;
    std::filesystem::path configDirectory_;
    std::filesystem::path programDirectory_;  // the run's own, mirroring the options' one
    std::unique_ptr<HostProcess> host_;
    std::unique_ptr<HostProcess> second_;
    std::unique_ptr<Softphone> phone_;
    handset_sim::HandsetSimulator handset_;
};

}  // namespace scenario
