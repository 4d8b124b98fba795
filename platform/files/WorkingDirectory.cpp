// The process's current directory.
#include "platform/files/WorkingDirectory.h"

namespace platform {

std::filesystem::path CurrentDirectory() {
    std::error_code error;
    std::filesystem::path directory = std::filesystem::current_path(error);
    return error ? std::filesystem::path() : directory;
}

}  // namespace platform
