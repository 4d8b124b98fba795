// The per-user runtime directory, with a safe fallback when the session has none.
#include "platform/files/RuntimeDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace platform {

std::filesystem::path RuntimeDirectory() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime) {
        return runtime;
    }
    const std::filesystem::path fallback =
        std::filesystem::temp_directory_path() / ("kestrel-" + std::to_string(getuid()));
    if (mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    // Someone else may have made it first: use it only when it is ours and closed to others.
    struct stat info {};
    if (lstat(fallback.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
        (info.st_mode & 077) != 0) {
        return {};
    }
    return fallback;
}

}  // namespace platform
