// The per-user directory for sockets and locks.
#pragma once

#include <filesystem>

namespace platform {

// $XDG_RUNTIME_DIR when it is set; otherwise a directory of this user's alone (mode 0700) under
// the temporary directory, created when missing. Returns an empty path when no safe directory
// can be had (the fallback exists but belongs to someone else or is open to others).
std::filesystem::path RuntimeDirectory();

}  // namespace platform
