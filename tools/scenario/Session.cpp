// The run's world: directory, sockets, the host's start and stop, and the pump.
#include "tools/scenario/Session.h"

#include <algorithm>
#include <iostream>
#include <system_error>

#include "platform/loop/MessageRegistry.h"
#include "tools/handset-sim/PngEncoder.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

// The longest the pump sleeps before it looks again at what nothing wakes it for (a process's
// end).
constexpr milliseconds kPumpSlice{20};
// Each LCD pixel a 4 x 4 square: 512 x 256, big enough to read.
constexpr unsigned kPngScale = 4;

std::string WhatItSaid(const HostProcess& host) {
    if (host.Lines().empty()) {
        return " It wrote nothing on stderr.";
    }
    return " Its last line on stderr: \"" + host.Lines().back() + "\".";
}

}  // namespace

Session::Session(SessionOptions options)
    : options_(std::move(options)),
      waker_(loop_),
      host_(std::make_unique<HostProcess>(loop_)),
      phone_(std::make_unique<Softphone>(loop_, fs::path())) {
    const platform::WindowHandle waker = waker_.Handle();
    const platform::MessageId wake = platform::RegisterWindowMessage("ScenarioWake");
    handset_.SetObserver(
        [waker, wake](const handset_sim::Event&, const handset_sim::HandsetState&) {
            platform::PostMessage(waker, wake, 0, 0);
        });
}

Session::~Session() = default;

// The system writes its settings (HasCall, lightcurrent, mic) as it runs: every run gets copies
// of the settings files and links to everything else, so that runs side by side never meet and
// the program directory stays as it was built.
std::string Session::MirrorProgramDirectory(const fs::path& from, const fs::path& to) {
    std::error_code error;
    const fs::path source = fs::absolute(from, error);
    fs::directory_iterator entries(source, error);
    if (error) {
        return "cannot read the program directory " + source.native() + ": " + error.message();
    }
    for (const fs::directory_entry& entry : entries) {
        const fs::path name = entry.path().filename();
        std::string extension = name.extension().native();
        for (char& c : extension) {
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        if (extension == ".ini") {
            fs::copy_file(entry.path(), to / name, error);
        } else {
            fs::create_symlink(entry.path(), to / name, error);
        }
        if (error) {
            return "cannot put " + name.native() + " into " + to.native() + ": " + error.message();
        }
    }
    return {};
}

platform::ChildOptions Session::HostOptions(std::string_view program) const {
    platform::ChildOptions child;
    child.program = programDirectory_ / (program.empty() ? options_.hostProgram : program);
    child.workingDirectory = programDirectory_;
    child.environment = {{"KESTREL_HANDSET_SOCKET", handsetSocket_.native()},
                         {"KESTREL_CLIENT_SOCKET", clientSocket_.native()},
                         {"XDG_RUNTIME_DIR", runtimeDirectory_.native()},
                         {"XDG_CONFIG_HOME", configDirectory_.native()},
                         // Dial tones must not reach the windows of the desktop the run is on.
                         {"DISPLAY", ""}};
    for (const auto& [name, value] : options_.hostEnvironment) {
        const auto same = std::find_if(child.environment.begin(), child.environment.end(),
                                       [&](const auto& entry) { return entry.first == name; });
        if (same != child.environment.end()) {
            same->second = value;
        } else {
            child.environment.emplace_back(name, value);
        }
    }
    return child;
}

Outcome Session::Prepare() {
    directory_ = TemporaryDirectory::Create("scenario");
    if (!directory_) {
        return Outcome::Failed("cannot make a temporary directory");
    }
    handsetSocket_ = directory_->Path() / "handset.sock";
    clientSocket_ = directory_->Path() / "client.sock";
    runtimeDirectory_ = directory_->Subdirectory("runtime");
    configDirectory_ = directory_->Subdirectory("config");
    programDirectory_ = directory_->Subdirectory("program");
    if (runtimeDirectory_.empty() || configDirectory_.empty() || programDirectory_.empty()) {
        return Outcome::Failed("cannot make directories in " + directory_->Path().native());
    }
    if (std::string problem = MirrorProgramDirectory(options_.programDirectory, programDirectory_);
        !problem.empty()) {
        return Outcome::Failed(problem);
    }
    phone_ = std::make_unique<Softphone>(loop_, clientSocket_);
    return Outcome::Held();
}

Outcome Session::Launch() {
    const platform::ChildOptions child = HostOptions({});
    if (!host_->Start(child)) {
        return Outcome::Failed("cannot start " + child.program.native() + " in " +
                               child.workingDirectory.native());
    }
    // Ready once the engine listens for handsets and the host has shown its first state, which
    // it does after the engine's initialisation: a handset plugged in then is always an arrival
    // to a running engine, never one that races with its start.
    const bool ready = PumpUntil(
        [this] {
            std::error_code error;
            return (fs::exists(handsetSocket_, error) &&
                    (!options_.hostShowsStates || !host_->States().empty())) ||
                   host_->HasEnded();
        },
        kHostStartTimeout);
    if (host_->HasEnded()) {
        return Outcome::Failed(options_.hostProgram + " ended at start-up with " +
                               ToString(*host_->Exit()) + "." + WhatItSaid(*host_));
    }
    if (!ready) {
        return Outcome::Failed(options_.hostProgram + " did not listen on the handset socket " +
                               handsetSocket_.native() +
                               (options_.hostShowsStates ? " and show its first state" : "") +
                               " within " + std::to_string(kHostStartTimeout.count()) + " ms");
    }
    return Outcome::Held();
}

Outcome Session::StopHost() {
    if (!host_->IsStarted()) {
        return Outcome::Held();
    }
    if (host_->HasEnded()) {
        const platform::ChildExit exit = *host_->Exit();
        return exit.Succeeded()
                   ? Outcome::Held()
                   : Outcome::Failed(options_.hostProgram + " had ended by itself with " +
                                     ToString(exit) + "." + WhatItSaid(*host_));
    }
    host_->Terminate();
    if (PumpUntil([this] { return host_->HasEnded(); }, kHostStopTimeout)) {
        const platform::ChildExit exit = *host_->Exit();
        return exit.Succeeded()
                   ? Outcome::Held()
                   : Outcome::Failed(options_.hostProgram + " ended after SIGTERM with " +
                                     ToString(exit) + "." + WhatItSaid(*host_));
    }
    host_->Kill();
    PumpUntil([this] { return host_->HasEnded(); }, kHostKillTimeout);
    return Outcome::Failed(options_.hostProgram + " did not end within " +
                           std::to_string(kHostStopTimeout.count()) +
                           " ms of SIGTERM and was killed");
}

Outcome Session::RunSecondHost(milliseconds timeout, std::string_view program) {
    const platform::ChildOptions child = HostOptions(program);
    second_ = std::make_unique<HostProcess>(loop_);
    if (!second_->Start(child)) {
        return Outcome::Failed("cannot start a second " + child.program.native());
    }
    if (!PumpUntil([this] { return second_->HasEnded(); }, timeout)) {
        second_->Kill();
        PumpUntil([this] { return second_->HasEnded(); }, kHostKillTimeout);
        std::string what = "the second ";
        what.append(child.program.filename().native())
            .append(" still ran after ")
            .append(std::to_string(timeout.count()))
            .append(" ms and was killed");
        return Outcome::Failed(what);
    }
    return Outcome::Held();
}

fs::path Session::SettingsFile(std::string_view section) const {
    if (programDirectory_.empty()) {
        return {};
    }
    std::string lower(section);
    for (char& c : lower) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return programDirectory_ / (lower == "keydef" ? "KeyDefine.ini" : "KestrelCFG.ini");
}

void Session::Note(const std::string& text) {
    if (options_.live != nullptr) {
        options_.live->Note(text, handset_.State().lcd);
    } else {
        std::cout << text << std::endl;
    }
}

LcdPicture Session::WriteLcdPicture(const std::string& fileName) const {
    LcdPicture picture{options_.pngDirectory / fileName};
    picture.result = handset_sim::WriteLcdPng(picture.path, handset_.State().lcd, kPngScale);
    return picture;
}

bool Session::PumpUntil(const std::function<bool()>& done, milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        loop_.ProcessReady();
        if (options_.live != nullptr) {
            options_.live->Show(handset_.State().lcd);
        }
        if (done()) {
            return true;
        }
        const auto left =
            std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left <= milliseconds(0)) {
            return false;
        }
        if (options_.wait) {
            options_.wait(std::min(left, kPumpSlice));
        } else {
            loop_.WaitForPost(std::min(left, kPumpSlice));
        }
    }
}

}  // namespace scenario
