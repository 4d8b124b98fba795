// The per-user directory for sockets and locks, and what is wrong with it when it cannot be had.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

enum class RuntimeDirectoryFault {
    kNone,
    kCannotCreate,   // missing, and cannot be made
    kNotADirectory,  // a file or something else has its name
    kSymbolicLink,   // never followed: whoever made the link chose where it leads
    kOtherOwner,
    kOpenToOthers,  // group or other users have access
};

struct RuntimeDirectoryStatus {
    std::filesystem::path path;  // the directory; when faulty, the one that cannot be used
    RuntimeDirectoryFault fault = RuntimeDirectoryFault::kNone;
    int error = 0;  // the errno of kCannotCreate
};

// What is wrong and where, for the user: "XDG_RUNTIME_DIR is not set and /tmp/kestrel-1000 is a
// symbolic link".
std::string Describe(const RuntimeDirectoryStatus& status);

// $XDG_RUNTIME_DIR when it is set and not empty; otherwise "kestrel-<uid>" under the temporary
// directory, prepared by PrepareFallbackDirectory for this user.
RuntimeDirectoryStatus FindRuntimeDirectory();

// Creates `directory` with mode 0700 when it is missing, then checks that it is a directory, not
// a link, of `owner` alone: someone else may have made it first.
RuntimeDirectoryStatus PrepareFallbackDirectory(const std::filesystem::path& directory,
                                                std::uint32_t owner);

// FindRuntimeDirectory's directory, or an empty path when it is faulty.
std::filesystem::path RuntimeDirectory();

}  // namespace platform
