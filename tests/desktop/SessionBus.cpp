// The test's own session bus: a configuration written for it, the address read from the
// daemon's standard error (--print-address=2), on a pipe waited on with poll.
#include "tests/desktop/SessionBus.h"

#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace desktop_test {
namespace {

using Clock = std::chrono::steady_clock;

// The session bus's rules without <standard_session_servicedirs/>: a name nobody owns is an
// error at once instead of a program started on the test's behalf.
std::string Configuration(const std::filesystem::path& socket) {
    std::string text =
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig>\n"
        "  <type>session</type>\n"
        "  <listen>unix:path=";
    text.append(socket.native())
        .append(
            "</listen>\n"
            "  <auth>EXTERNAL</auth>\n"
            "  <policy context=\"default\">\n"
            "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
            "    <allow eavesdrop=\"true\"/>\n"
            "    <allow own=\"*\"/>\n"
            "  </policy>\n"
            "</busconfig>\n");
    return text;
}

}  // namespace

bool SessionBus::Installed() {
    const char* path = std::getenv("PATH");
    std::istringstream entries(path != nullptr ? path : "");
    for (std::string directory; std::getline(entries, directory, ':');) {
        std::error_code error;
        if (!directory.empty() &&
            std::filesystem::exists(std::filesystem::path(directory) / "dbus-daemon", error)) {
            return true;
        }
    }
    return false;
}

SessionBus::SessionBus(const std::filesystem::path& directory) {
    const std::filesystem::path config = directory / "bus.conf";
    std::ofstream(config) << Configuration(directory / "bus");
    platform::ChildOptions options;
    options.program = "dbus-daemon";
    options.args = {"--config-file=" + config.native(), "--nofork", "--nopidfile",
                    "--print-address=2"};
    options.workingDirectory = directory;
    options.pipeErrorOutput = true;
    daemon_ = platform::ChildProcess::Start(options);
    if (!daemon_) {
        failure_ = "dbus-daemon could not be started";
        return;
    }
    // One line with the address once it listens; the end of the output if it failed.
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    std::string output;
    for (;;) {
        if (!daemon_->ReadErrorOutput(output) || output.find('\n') != std::string::npos) {
            break;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd ready{daemon_->ErrorOutputFd(), POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
    }
    if (output.find('\n') == std::string::npos || !output.starts_with("unix:")) {
        failure_ = "dbus-daemon gave no address within 10 s; it said: " + output;
        return;
    }
    address_ = output.substr(0, output.find('\n'));
}

SessionBus::~SessionBus() {
    if (daemon_) {
        daemon_->Terminate();
        if (!daemon_->WaitFor(std::chrono::seconds(5))) {
            daemon_->Kill();
            daemon_->WaitFor(std::chrono::seconds(5));
        }
    }
}

}  // namespace desktop_test
