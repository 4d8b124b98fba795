// Paths written for a file system that ignores case ("logo\call\hold.obj" and "logo\Call\HF.obj"
// name files in the same folder) found on one that does not.
#pragma once

#include <filesystem>

namespace platform {

// `path` when it exists; otherwise the existing path whose components equal those of `path`
// ignoring ASCII case (the first in name order where several do); `path` when there is none.
std::filesystem::path FindIgnoringCase(const std::filesystem::path& path);

}  // namespace platform
