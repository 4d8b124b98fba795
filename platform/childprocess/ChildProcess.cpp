// Children with posix_spawn: the pipe, the descriptor closing, the working directory, the signal
// mask and the environment are spawn attributes and file actions of the child, so nothing in this
// process changes meanwhile.
#include "platform/childprocess/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace platform {
namespace {

constexpr int kFirstDescriptorToClose = 3;
// How often a wait looks again whether the child has ended.
constexpr auto kWaitSlice = std::chrono::milliseconds(2);

std::vector<std::string> ChildEnvironment(
    const std::vector<std::pair<std::string, std::string>>& additions) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        bool replaced = false;
        for (const auto& [addedName, value] : additions) {
            replaced = replaced || addedName == name;
        }
        if (!replaced) {
            entries.push_back(text);
        }
    }
    for (const auto& [name, value] : additions) {
        entries.push_back(name + "=" + value);
    }
    return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

class SpawnSetup {
  public:
    SpawnSetup() {
        actionsMade_ = ::posix_spawn_file_actions_init(&actions_) == 0;
        attributesMade_ = ::posix_spawnattr_init(&attributes_) == 0;
    }
    ~SpawnSetup() {
        if (actionsMade_) {
            ::posix_spawn_file_actions_destroy(&actions_);
        }
        if (attributesMade_) {
            ::posix_spawnattr_destroy(&attributes_);
        }
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // Standard output (and standard error) appended to `outputFile` unless it is empty,
    // standard error onto `errorFd` (unless -1), every other descriptor above 2 closed, the
    // directory changed, and signals as a freshly started program expects them.
    bool Prepare(int errorFd, const std::filesystem::path& outputFile,
                 const std::filesystem::path& workingDirectory) {
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        constexpr int kOutputFlags = O_WRONLY | O_CREAT | O_APPEND;
        constexpr mode_t kOutputMode = 0600;
        return actionsMade_ && attributesMade_ &&
               (outputFile.empty() ||
                (::posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, outputFile.c_str(),
                                                    kOutputFlags, kOutputMode) == 0 &&
                 (errorFd >= 0 || ::posix_spawn_file_actions_adddup2(&actions_, STDOUT_FILENO,
                                                                     STDERR_FILENO) == 0))) &&
               (errorFd < 0 ||
                ::posix_spawn_file_actions_adddup2(&actions_, errorFd, STDERR_FILENO) == 0) &&
               ::posix_spawn_file_actions_addclosefrom_np(&actions_, kFirstDescriptorToClose) ==
                   0 &&
               ::posix_spawn_file_actions_addchdir_np(&actions_, workingDirectory.c_str()) == 0 &&
               ::posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
               ::posix_spawnattr_setsigdefault(&attributes_, &all) == 0 &&
               ::posix_spawnattr_setflags(&attributes_,
                                          POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
    }
    const posix_spawn_file_actions_t* Actions() const { return &actions_; }
    const posix_spawnattr_t* Attributes() const { return &attributes_; }

  private:
    posix_spawn_file_actions_t actions_{};
    posix_spawnattr_t attributes_{};
    bool actionsMade_ = false;
    bool attributesMade_ = false;
};

void CloseIfOpen(int fd) {
    if (fd >= 0) {
        ::close(fd);
    }
}

// Starts the program with standard error onto `errorFd` (ours, or the output file's, when -1).
// Returns its process id, or -1 when it cannot be started (the output file cannot be opened
// among other reasons).
int Spawn(const ChildOptions& options, int errorFd) {
    if (options.program.empty() || options.workingDirectory.empty()) {
        return -1;
    }
    std::vector<std::string> argv{options.program.native()};
    argv.insert(argv.end(), options.args.begin(), options.args.end());
    std::vector<std::string> envp = ChildEnvironment(options.environment);
    std::vector<char*> argPointers = Pointers(argv);
    std::vector<char*> envPointers = Pointers(envp);

    SpawnSetup setup;
    if (!setup.Prepare(errorFd, options.outputFile, options.workingDirectory)) {
        return -1;
    }
    const bool searchPath = options.program.native().find('/') == std::string::npos;
    pid_t child = -1;
    const int error =
        searchPath ? ::posix_spawnp(&child, options.program.c_str(), setup.Actions(),
                                    setup.Attributes(), argPointers.data(), envPointers.data())
                   : ::posix_spawn(&child, options.program.c_str(), setup.Actions(),
                                   setup.Attributes(), argPointers.data(), envPointers.data());
    return error == 0 ? child : -1;
}

}  // namespace

std::string ToString(const ChildExit& exit) {
    return (exit.signalled ? "signal " : "exit status ") + std::to_string(exit.number);
}

std::unique_ptr<ChildProcess> ChildProcess::Start(const ChildOptions& options) {
    // Only our end is non-blocking: the child's shares nothing of it.
    int pipeFds[2] = {-1, -1};
    const bool piped = !options.pipeErrorOutput || (::pipe2(pipeFds, O_CLOEXEC) == 0 &&
                                                    ::fcntl(pipeFds[0], F_SETFL, O_NONBLOCK) == 0);
    const int child = piped ? Spawn(options, pipeFds[1]) : -1;
    CloseIfOpen(pipeFds[1]);
    if (child < 0) {
        CloseIfOpen(pipeFds[0]);
        return nullptr;
    }
    return std::unique_ptr<ChildProcess>(new ChildProcess(child, pipeFds[0]));
}

bool StartDetached(const ChildOptions& options) {
    const int child = Spawn(options, -1);
    if (child < 0) {
        return false;
    }
    // A child nobody waits for stays a zombie for as long as we run.
    std::thread([child] {
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

ChildProcess::~ChildProcess() {
    if (!exit_) {
        Kill();
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    CloseErrorOutput();
}

void ChildProcess::CloseErrorOutput() {
    if (errorFd_ >= 0) {
        ::close(errorFd_);
        errorFd_ = -1;
    }
}

bool ChildProcess::ReadErrorOutput(std::string& out) {
    if (errorFd_ < 0) {
        return false;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(errorFd_, buffer, sizeof buffer);
        if (n > 0) {
            out.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        CloseErrorOutput();  // end of the output, or an error that ends it just as well
        return false;
    }
}

void ChildProcess::Terminate() {
    if (!exit_) {
        ::kill(pid_, SIGTERM);
    }
}

void ChildProcess::Kill() {
    if (!exit_) {
        ::kill(pid_, SIGKILL);
    }
}

std::optional<ChildExit> ChildProcess::WaitFor(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!exit_) {
        int status = 0;
        const pid_t ended = ::waitpid(pid_, &status, WNOHANG);
        if (ended == pid_) {
            exit_ = WIFSIGNALED(status) ? ChildExit{true, WTERMSIG(status)}
                                        : ChildExit{false, WEXITSTATUS(status)};
        } else if (ended < 0 && errno != EINTR) {
            exit_ = ChildExit{true, 0};  // not our child any more: nothing left to wait for
        } else if (std::chrono::steady_clock::now() >= deadline) {
            break;
        } else if (ended == 0) {
            std::this_thread::sleep_for(kWaitSlice);
        }
    }
    return exit_;
}

}  // namespace platform
