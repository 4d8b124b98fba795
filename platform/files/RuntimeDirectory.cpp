// The per-user runtime directory, with a safe fallback when the session has none.
#include "platform/files/RuntimeDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {
std::string Describe(const RuntimeDirectoryStatus& status) {
    const std::string where = status.path.native();
    std::string what;
    switch (status.fault) {
        case RuntimeDirectoryFault::kNone:
            return where + " is usable";
        case RuntimeDirectoryFault::kCannotCreate:
            what = "cannot create " + where + ": " + std::strerror(status.error);
            break;
        case RuntimeDirectoryFault::kNotADirectory:
            what = where + " is not a directory";
            break;
        case RuntimeDirectoryFault::kSymbolicLink:
            what = where + " is a symbolic link";
            break;
        case RuntimeDirectoryFault::kOtherOwner:
            what = where + " belongs to another user";
            break;
        case RuntimeDirectoryFault::kOpenToOthers:
            what = where + " is open to other users";
            break;
    }
    return "XDG_RUNTIME_DIR is not set and " + what;
}

RuntimeDirectoryStatus PrepareFallbackDirectory(const std::filesystem::path& directory,
                                                std::uint32_t owner) {
    RuntimeDirectoryStatus status{directory};
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        status.fault = RuntimeDirectoryFault::kCannotCreate;
        status.error = errno;
        return status;
    }
    struct stat info {};
    if (::lstat(directory.c_str(), &info) != 0) {
        status.fault = RuntimeDirectoryFault::kCannotCreate;
        status.error = errno;
    } else if (S_ISLNK(info.st_mode)) {
        status.fault = RuntimeDirectoryFault::kSymbolicLink;
    } else if (!S_ISDIR(info.st_mode)) {
        status.fault = RuntimeDirectoryFault::kNotADirectory;
    } else if (info.st_uid != owner) {
        status.fault = RuntimeDirectoryFault::kOtherOwner;
    } else if ((info.st_mode & 077) != 0) {
        status.fault = RuntimeDirectoryFault::kOpenToOthers;
    }
    return status;
}

RuntimeDirectoryStatus FindRuntimeDirectory() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime) {
        return {runtime};
    }
    const std::string name = "kestrel-" + std::to_string(getuid());
    std::error_code error;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    if (error) {
        // TMPDIR names no directory, so the fallback cannot be made in it.
        const char* named = std::getenv("TMPDIR");
        return {std::filesystem::path(named != nullptr ? named : "/tmp") / name,
                RuntimeDirectoryFault::kCannotCreate, error.value()};
    }
    return PrepareFallbackDirectory(temporary / name, getuid());
}

std::filesystem::path RuntimeDirectory() {
    RuntimeDirectoryStatus status = FindRuntimeDirectory();
    return status.fault == RuntimeDirectoryFault::kNone ? std::move(status.path)
                                                        : std::filesystem::path();
}

}  // namespace platform
