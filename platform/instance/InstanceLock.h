// One copy of a program per user: a lock file held with flock in the runtime directory.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace platform {

class InstanceLock;

enum class LockOutcome {
    kTaken,
    kHeldElsewhere,       // another process holds it: another copy runs
    kNoRuntimeDirectory,  // no safe directory to keep the lock in
    kCannotUseFile,       // the lock file cannot be opened or locked
};

struct LockAttempt {
    std::unique_ptr<InstanceLock> lock;  // set when taken
    LockOutcome outcome = LockOutcome::kTaken;
    // Otherwise, for the user: "another copy is already running for this user", or what is
    // wrong and where.
    std::string problem;
};

class InstanceLock {
  public:
    // Takes the lock "<name>.lock" in `directory` (the runtime directory when empty). The lock
    // lasts as long as the object, and ends with the process whatever happens.
    static LockAttempt Acquire(const std::string& name, std::filesystem::path directory = {});
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

  private:
    explicit InstanceLock(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace platform
