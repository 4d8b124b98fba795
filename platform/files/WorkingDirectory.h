// The process's current directory: the start directory every file is found in.
#pragma once

#include <filesystem>

namespace platform {

// The current directory, or an empty path when it cannot be read (it was removed).
std::filesystem::path CurrentDirectory();

}  // namespace platform
