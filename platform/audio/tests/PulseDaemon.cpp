// Starts pulseaudio with a script of its own (-n: no default script) and no D-Bus, realtime or
// idle exit, and knows it is up when its socket accepts a connection.
#include "platform/audio/tests/PulseDaemon.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace platform::testing {
namespace {

using Clock = std::chrono::steady_clock;

// The protocol comes last: the socket opens once every device is there.
std::string Script(const std::filesystem::path& socket) {
    std::string text =
        "load-module module-null-sink sink_name=usb "
        "sink_properties=device.description=\"USB\\ Audio\\ Device\"\n"
        "load-module module-null-sink sink_name=speakers "
        "sink_properties=device.description=Speakers\n"
        "load-module module-null-source source_name=usbmic description=\"USB\\ Audio\\ Device\"\n"
        "load-module module-null-source source_name=mic description=Speakers\n"
        "load-module module-native-protocol-unix auth-anonymous=1 socket=";
    text.append(socket.native()).append("\n");
    return text;
}

bool Accepts(const std::filesystem::path& socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const bool accepted =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return accepted;
}

std::string Contents(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

bool PulseDaemon::Installed() {
    const char* path = std::getenv("PATH");
    std::istringstream entries(path != nullptr ? path : "");
    for (std::string directory; std::getline(entries, directory, ':');) {
        if (!directory.empty() && ::access((directory + "/pulseaudio").c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

std::filesystem::path PulseDaemon::Socket(const std::filesystem::path& directory) {
    return directory / "native";
}

PulseDaemon::PulseDaemon(const std::filesystem::path& directory) : log_(directory / "daemon.log") {
    // The daemon insists on a runtime directory that only its user can enter.
    const std::filesystem::path runtime = directory / "runtime";
    const std::filesystem::path home = directory / "home";
    ::mkdir(runtime.c_str(), 0700);
    ::mkdir(home.c_str(), 0700);
    const std::filesystem::path script = directory / "daemon.pa";
    std::ofstream(script) << Script(Socket(directory));

    ChildOptions options;
    options.program = "pulseaudio";
    // As root it warns that it is meant for --system and runs all the same.
    options.args = {"-n",
                    "--file=" + script.native(),
                    "--daemonize=no",
                    "--exit-idle-time=-1",
                    "--use-pid-file=no",
                    "--disallow-exit",
                    "--realtime=no",
                    "--high-priority=no",
                    "--log-target=stderr"};
    // A bus address that leads nowhere keeps it from starting a session bus of its own.
    const std::string noBus = "unix:path=" + (directory / "no-bus").native();
    options.environment = {{"XDG_RUNTIME_DIR", runtime.native()},
                           {"HOME", home.native()},
                           {"DBUS_SESSION_BUS_ADDRESS", noBus},
                           {"DISPLAY", ""}};
    options.workingDirectory = directory;
    options.outputFile = log_;
    daemon_ = ChildProcess::Start(options);
    if (!daemon_) {
        failure_ = "pulseaudio could not be started";
        return;
    }
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!Accepts(Socket(directory))) {
        if (daemon_->HasEnded() || Clock::now() > deadline) {
            failure_ = "pulseaudio took no connection within 10 s; it said:\n" + Contents(log_);
            Kill();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

PulseDaemon::~PulseDaemon() {
    Stop();
}

void PulseDaemon::Stop() {
    if (!daemon_ || daemon_->HasEnded()) {
        return;
    }
    daemon_->Terminate();
    // A frozen daemon takes the SIGTERM once it runs again.
    ::kill(daemon_->Id(), SIGCONT);
    if (!daemon_->WaitFor(std::chrono::seconds(5))) {
        Kill();
    }
}

void PulseDaemon::Kill() {
    if (daemon_ && !daemon_->HasEnded()) {
        daemon_->Kill();
        daemon_->WaitFor(std::chrono::seconds(5));
    }
}

void PulseDaemon::Freeze() {
    if (daemon_ && !daemon_->HasEnded()) {
        ::kill(daemon_->Id(), SIGSTOP);
    }
}

}  // namespace platform::testing
