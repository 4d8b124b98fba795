// The XDG data directory.
#include "platform/files/DataDirectory.h"

#include <cstdlib>

namespace platform {

std::filesystem::path UserDataDirectory() {
    // A relative XDG_DATA_HOME is invalid and must be ignored.
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/') {
        return data;
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return std::filesystem::path(home) / ".local" / "share";
    }
    return {};
}

}  // namespace platform
