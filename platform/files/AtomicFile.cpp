// Bounded whole-file reads and write-beside-then-rename replacement on POSIX.
//
// A writer holds an flock on its temporary file from the moment it exists until it is renamed
// or removed; the lock ends with the writer whatever happens. So a temporary file whose lock can
// be taken is a crashed writer's, and the next write removes it.
#include "platform/files/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <random>
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

constexpr std::string_view kTemporaryPrefix = ".profile-";
constexpr std::string_view kTemporarySuffix = ".tmp";

bool IsTemporaryName(const std::string& name) {
    return name.size() > kTemporaryPrefix.size() + kTemporarySuffix.size() &&
           name.starts_with(kTemporaryPrefix) && name.ends_with(kTemporarySuffix);
}

bool SameFile(int fd, const fs::path& path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// A name no other writer uses: the pid for whoever looks, a per-process random tag against pid
// reuse across pid namespaces and reboots, and a counter within the process.
fs::path TemporaryName(const fs::path& directory) {
    static const std::uint64_t tag = [] {
        std::random_device random;
        return (static_cast<std::uint64_t>(random()) << 32) ^ random();
    }();
    static std::atomic<unsigned> counter{0};
    char middle[64];
    std::snprintf(middle, sizeof middle, "%d-%016llx-%u", static_cast<int>(::getpid()),
                  static_cast<unsigned long long>(tag), counter++);
    return directory / (std::string(kTemporaryPrefix) + middle + std::string(kTemporarySuffix));
}

// A fresh file in `directory`, created with O_EXCL so that nothing existing is ever reused, and
// with mode 0666 so the umask applies as for any new file; locked before it is used. A short
// fixed name keeps it valid wherever the target's own name is.
int CreateTemporaryFile(const fs::path& directory, fs::path& temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = TemporaryName(directory);
        const int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return -1;
        }
        // Between the open and the lock, a cleaner may have taken the file for a dead writer's
        // and removed it: then it is no longer the one under that name, and another is made.
        if (::flock(fd, LOCK_EX) == 0 && SameFile(fd, temporary)) {
            return fd;
        }
        ::close(fd);
    }
    return -1;
}

// Removes the temporary files in `directory` that no live writer holds: those of writers that
// crashed. One that is being written is locked and left alone.
void RemoveStaleTemporaryFiles(const fs::path& directory) {
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        if (!IsTemporaryName(it->path().filename().native())) {
            continue;
        }
        const fs::path stale = it->path();
        const int fd =
            ::open(stale.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            continue;  // not a file of ours (a link), or gone already
        }
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && SameFile(fd, stale)) {
            ::unlink(stale.c_str());
        }
        ::close(fd);
    }
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
    RemoveStaleTemporaryFiles(directory);
    fs::path temporary;
    const int fd = CreateTemporaryFile(directory, temporary);
    if (fd < 0) {
        return false;
    }
    // Renamed, or removed, while still open and so still locked: an unlocked temporary file is
    // a dead writer's. What close could report, fsync has reported already.
    const bool ok = (!exists || ::fchmod(fd, mode) == 0) && WriteAll(fd, bytes) &&
                    ::fsync(fd) == 0 && ::rename(temporary.c_str(), file.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        ::close(fd);
        return false;
    }
    ::close(fd);
    SyncDirectory(directory);
    return true;
}

}  // namespace platform
