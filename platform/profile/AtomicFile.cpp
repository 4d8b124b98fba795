// Bounded whole-file reads and write-beside-then-rename replacement on POSIX.
#include "platform/profile/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

class FdCloser {
  public:
    explicit FdCloser(int fd) : fd_(fd) {}
    ~FdCloser() { ::close(fd_); }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;

  private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Makes the rename itself durable; the new content is already safe, so a failure is ignored.
void SyncDirectory(const fs::path& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A fresh file in `directory`, created with O_EXCL so that nothing existing is ever reused, and
// with mode 0666 so the umask applies as for any new file. A short fixed name keeps it valid
// wherever the target's own name is.
int CreateTemporaryFile(const fs::path& directory, fs::path& temporary) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = directory / (".profile-" + std::to_string(::getpid()) + "-" +
                                 std::to_string(counter++) + ".tmp");
        const int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

}  // namespace

FileContent ReadWholeFile(const fs::path& file, std::size_t maxBytes) {
    FileContent content;
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        content.status = (errno == ENOENT || errno == ENOTDIR) ? FileReadStatus::kMissing
                                                               : FileReadStatus::kFailed;
        return content;
    }
    FdCloser closer(fd);
    content.status = FileReadStatus::kFailed;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) > maxBytes) {
        return content;
    }
    content.bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            content.bytes.clear();
            return content;
        }
        if (got == 0) {
            break;
        }
        // The file may have grown since fstat.
        if (content.bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
            content.bytes.clear();
            return content;
        }
        content.bytes.append(buffer, static_cast<std::size_t>(got));
    }
    content.status = FileReadStatus::kRead;
    return content;
}

bool ReplaceFileAtomically(const fs::path& requested, std::string_view bytes) {
    std::error_code error;
    fs::path file = requested;
    if (fs::is_symlink(fs::symlink_status(requested, error))) {
        file = fs::canonical(requested, error);
        if (error) {
            return false;
        }
    }
    if (file.empty() || !file.has_filename()) {
        return false;
    }

    bool exists = false;
    mode_t mode = 0;
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode) || ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0) {
            return false;
        }
        exists = true;
        mode = info.st_mode & 07777;
    } else if (errno != ENOENT) {
        return false;
    }

    const fs::path directory = file.has_parent_path() ? file.parent_path() : fs::path(".");
    fs::path temporary;
    const int fd = CreateTemporaryFile(directory, temporary);
    if (fd < 0) {
        return false;
    }
    bool ok = (!exists || ::fchmod(fd, mode) == 0) && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary.c_str(), file.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncDirectory(directory);
    return true;
}

}  // namespace platform
