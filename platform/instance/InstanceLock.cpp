// The single-instance lock over flock.
#include "platform/instance/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/files/RuntimeDirectory.h"

namespace platform {
namespace {

LockAttempt Refused(LockOutcome outcome, std::string problem) {
    return {nullptr, outcome, std::move(problem)};
}

}  // namespace

LockAttempt InstanceLock::Acquire(const std::string& name, std::filesystem::path directory) {
    if (directory.empty()) {
        RuntimeDirectoryStatus runtime = FindRuntimeDirectory();
        if (runtime.fault != RuntimeDirectoryFault::kNone) {
            return Refused(LockOutcome::kNoRuntimeDirectory,
                           "no usable runtime directory: " + Describe(runtime));
        }
        directory = std::move(runtime.path);
    }
    const std::filesystem::path file = directory / (name + ".lock");
    const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return Refused(LockOutcome::kCannotUseFile,
                       "cannot open the lock file " + file.native() + ": " + std::strerror(errno));
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        return error == EWOULDBLOCK
                   ? Refused(LockOutcome::kHeldElsewhere,
                             "another copy is already running for this user")
                   : Refused(LockOutcome::kCannotUseFile,
                             "cannot lock " + file.native() + ": " + std::strerror(error));
    }
    return {std::unique_ptr<InstanceLock>(new InstanceLock(fd)), LockOutcome::kTaken, {}};
}

InstanceLock::~InstanceLock() {
    close(fd_);
}

}  // namespace platform
