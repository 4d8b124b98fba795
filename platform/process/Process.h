// Starting programs: an argument vector handed to the program as it is, never through a shell.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

using ProcessId = int;

// Starts `program` with `args` (argv[1] onwards; argv[0] is `program`) in `workingDirectory`,
// with this process's environment and standard streams and no other descriptor. A program
// named without a '/' is looked up in PATH. The caller's own working directory never changes.
// Returns nothing when the program cannot be started (missing, not executable, bad directory).
std::optional<ProcessId> StartProcess(const std::filesystem::path& program,
                                      const std::vector<std::string>& args,
                                      const std::filesystem::path& workingDirectory);

// Waits for a started process to end and returns its exit status, or -1 when it was ended by a
// signal or is not a child of ours.
int WaitForProcess(ProcessId process);

// StartProcess for a program that runs on its own: it is reaped in the background when it ends.
// Returns whether it started.
bool SpawnProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                  const std::filesystem::path& workingDirectory);

}  // namespace platform
