// Where a program keeps the data it writes for the user across runs.
#pragma once

#include <filesystem>

namespace platform {

// $XDG_DATA_HOME when it is set to an absolute path, otherwise $HOME/.local/share; empty when
// neither gives one.
std::filesystem::path UserDataDirectory();

}  // namespace platform
