// Starting programs (CreateProcessW): an argument vector handed to the program as it is, never
// through a shell. A child is either supervised (its own environment additions, its standard
// error optionally read through a pipe, signals, a wait with a deadline) or started detached
// and reaped in the background.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

struct ChildOptions {
    // A program named without a '/' is looked up in PATH.
    std::filesystem::path program;
    std::vector<std::string> args;  // argv[1] onwards; argv[0] is `program`
    // The child's; the caller's own working directory never changes.
    std::filesystem::path workingDirectory;
    // Set in the child's environment, replacing a variable of the same name; the rest of this
    // process's environment is passed on.
    std::vector<std::pair<std::string, std::string>> environment;
    // Standard error into a pipe (ChildProcess::ReadErrorOutput) rather than this process's.
    bool pipeErrorOutput = false;
    // When set, standard output, and standard error unless piped, are appended to this file
    // (made with mode 0600 when missing) rather than this process's: for a chatty program whose
    // output is only wanted when something goes wrong. A file that cannot be opened keeps the
    // program from starting.
    std::filesystem::path outputFile{};
};

struct ChildExit {
    bool signalled = false;  // ended by a signal rather than by exiting
    int number = 0;          // the exit status, or the signal's number
    bool operator==(const ChildExit&) const = default;
    bool Succeeded() const { return !signalled && number == 0; }
};

// "exit status 3", "signal 9".
std::string ToString(const ChildExit& exit);

// Every child gets the standard input of this process, its standard output and error (unless
// piped or sent to the output file), no other descriptor of ours even where one lacks
// close-on-exec, and every signal unblocked and at its default, whatever this process blocks or
// ignores.

// Starts a program that runs on its own: nobody waits for it, and it is reaped in the background
// when it ends. Returns whether it started (false: missing, not executable, bad directory).
bool StartDetached(const ChildOptions& options);

class ChildProcess {
  public:
    // Returns nullptr when the program cannot be started (missing, not executable, bad
    // directory).
    static std::unique_ptr<ChildProcess> Start(const ChildOptions& options);
    // A child still running is killed (SIGKILL) and reaped: none is ever left behind.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int Id() const { return pid_; }

    // The pipe's reading end, non-blocking: readable while output waits and once the child's
    // side is closed. -1 after the end of the output was read, and without a pipe.
    int ErrorOutputFd() const { return errorFd_; }
    // Appends the output waiting in the pipe to `out`, without blocking. Returns false once the
    // output has ended (every copy of the child's side closed) and all of it was read, and
    // without a pipe; the pipe is then closed.
    bool ReadErrorOutput(std::string& out);

    // SIGTERM and SIGKILL; nothing once the child has been reaped.
    void Terminate();
    void Kill();
    // Waits up to `timeout` for the child to end and reaps it. Returns how it ended, or nothing
    // when it still runs. Once reaped, returns the same at once.
    std::optional<ChildExit> WaitFor(std::chrono::milliseconds timeout);
    bool HasEnded() { return WaitFor(std::chrono::milliseconds(0)).has_value(); }

  private:
    ChildProcess(int pid, int errorFd) : pid_(pid), errorFd_(errorFd) {}
    void CloseErrorOutput();

    int pid_;
    int errorFd_;
    std::optional<ChildExit> exit_;
};

}  // namespace platform
