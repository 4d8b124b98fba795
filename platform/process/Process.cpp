// Programs started with posix_spawn: the working directory and the closing of inherited
// descriptors are file actions of the child, so nothing in this process changes meanwhile.
#include "platform/process/Process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace platform {
namespace {

// Closes, in the child, all descriptors above the standard three, so that none of ours (sockets,
// device handles) leaks into the program even where one lacks close-on-exec.
constexpr int kFirstDescriptorToClose = 3;

class SpawnActions {
  public:
    SpawnActions() { ok_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
    ~SpawnActions() {
        if (ok_) {
            ::posix_spawn_file_actions_destroy(&actions_);
        }
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    bool Prepare(const std::filesystem::path& workingDirectory) {
        ok_ = ok_ &&
              ::posix_spawn_file_actions_addchdir_np(&actions_, workingDirectory.c_str()) == 0 &&
              ::posix_spawn_file_actions_addclosefrom_np(&actions_, kFirstDescriptorToClose) == 0;
        return ok_;
    }
    const posix_spawn_file_actions_t* Get() const { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_{};
    bool ok_ = false;
};

}  // namespace

std::optional<ProcessId> StartProcess(const std::filesystem::path& program,
                                      const std::vector<std::string>& args,
                                      const std::filesystem::path& workingDirectory) {
    if (program.empty() || workingDirectory.empty()) {
        return std::nullopt;
    }
    SpawnActions actions;
    if (!actions.Prepare(workingDirectory)) {
        return std::nullopt;
    }
    std::vector<std::string> argv{program.native()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv) {
        pointers.push_back(arg.data());
    }
    pointers.push_back(nullptr);

    pid_t child = 0;
    const bool searchPath = program.native().find('/') == std::string::npos;
    const int error = searchPath ? ::posix_spawnp(&child, program.c_str(), actions.Get(), nullptr,
                                                  pointers.data(), environ)
                                 : ::posix_spawn(&child, program.c_str(), actions.Get(), nullptr,
                                                 pointers.data(), environ);
    if (error != 0) {
        return std::nullopt;
    }
    return child;
}

int WaitForProcess(ProcessId process) {
    int status = 0;
    pid_t ended;
    do {
        ended = ::waitpid(process, &status, 0);
    } while (ended < 0 && errno == EINTR);
    if (ended != process || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

bool SpawnProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                  const std::filesystem::path& workingDirectory) {
    const std::optional<ProcessId> child = StartProcess(program, args, workingDirectory);
    if (!child) {
        return false;
    }
    // A child nobody waits for stays a zombie for as long as we run.
    std::thread([process = *child] { WaitForProcess(process); }).detach();
    return true;
}

}  // namespace platform
