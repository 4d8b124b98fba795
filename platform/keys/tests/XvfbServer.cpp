// Starts and stops a private Xvfb: -displayfd tells the display it chose, on a pipe read with poll.
#include "platform/keys/tests/XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for `fd` to be readable until `deadline`.
bool Readable(int fd, Clock::time_point deadline) {
    pollfd entry{fd, POLLIN, 0};
    int ready = 0;
    do {
        ready = poll(&entry, 1, RemainingMs(deadline));
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

}  // namespace

bool XvfbServer::Installed() {
    const char* path = std::getenv("PATH");
    std::istringstream entries(path != nullptr ? path : "");
    for (std::string directory; std::getline(entries, directory, ':');) {
        if (!directory.empty() && access((directory + "/Xvfb").c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

XvfbServer::XvfbServer(const std::vector<std::string>& extraArguments) {
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        failure_ = "no pipe";
        return;
    }
    // The server writes to its end, which must survive exec.
    fcntl(report[1], F_SETFD, 0);
    std::string logPattern = (std::filesystem::temp_directory_path() / "kestrel-xvfb-XXXXXX");
    const int log = mkstemp(logPattern.data());
    logPath_ = log >= 0 ? logPattern : std::string();

    std::vector<std::string> arguments = {"Xvfb",      "-displayfd", std::to_string(report[1]),
                                          "-nolisten", "tcp",        "-screen",
                                          "0",         "320x240x24"};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (log >= 0) {
        posix_spawn_file_actions_adddup2(&actions, log, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, log, STDERR_FILENO);
    }
    const int spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(report[1]);
    if (log >= 0) {
        close(log);
    }
    if (spawned != 0) {
        pid_ = -1;
        failure_ = "Xvfb could not be started";
        close(report[0]);
        return;
    }

    // The number and a newline, once the server listens; end of file if it died.
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    std::string number;
    while (number.find('\n') == std::string::npos && Readable(report[0], deadline)) {
        char bytes[16];
        const ssize_t n = read(report[0], bytes, sizeof bytes);
        if (n <= 0) {
            break;
        }
        number.append(bytes, static_cast<std::size_t>(n));
    }
    close(report[0]);
    if (number.find('\n') == std::string::npos) {
        std::ifstream output(logPath_);
        std::stringstream text;
        text << output.rdbuf();
        failure_ = "Xvfb named no display within 10 s; its output:\n";
        failure_ += text.str();
        Stop();
        return;
    }
    number.erase(number.find('\n'));
    display_.push_back(':');
    display_ += number;
}

XvfbServer::~XvfbServer() {
    Stop();
    if (!logPath_.empty()) {
        unlink(logPath_.c_str());
    }
}

void XvfbServer::Stop() {
    if (pid_ < 0) {
        return;
    }
    // SIGTERM lets the server remove its socket and lock file; a pidfd bounds the wait for it.
    kill(pid_, SIGTERM);
    const int exited = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    if (exited < 0 || !Readable(exited, Clock::now() + std::chrono::seconds(5))) {
        kill(pid_, SIGKILL);
    }
    if (exited >= 0) {
        close(exited);
    }
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace platform
