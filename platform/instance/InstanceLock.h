// One copy of a program per user: a lock file held with flock in the runtime directory.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace platform {

class InstanceLock {
  public:
    // Takes the lock "<name>.lock" in `directory` (the runtime directory when empty). Returns
    // nullptr when another process holds it or the file cannot be made. The lock lasts as long
    // as the object, and ends with the process whatever happens.
    static std::unique_ptr<InstanceLock> Acquire(const std::string& name,
                                                 std::filesystem::path directory = {});
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

  private:
    explicit InstanceLock(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace platform
