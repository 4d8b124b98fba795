// The single-instance lock over flock.
#include "platform/instance/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/files/RuntimeDirectory.h"

namespace platform {

std::unique_ptr<InstanceLock> InstanceLock::Acquire(const std::string& name,
                                                    std::filesystem::path directory) {
    if (directory.empty()) {
        directory = RuntimeDirectory();
        if (directory.empty()) {
            return nullptr;
        }
    }
    const std::filesystem::path file = directory / (name + ".lock");
    const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return nullptr;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<InstanceLock>(new InstanceLock(fd));
}

InstanceLock::~InstanceLock() {
    close(fd_);
}

}  // namespace platform
