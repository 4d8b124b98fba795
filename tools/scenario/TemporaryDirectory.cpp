// Temporary directories with names nobody can guess and rights nobody else has.
#include "tools/scenario/TemporaryDirectory.h"

#include <cstdio>
#include <random>
#include <system_error>

namespace scenario {
namespace {

namespace fs = std::filesystem;

constexpr int kAttempts = 16;

bool MakePrivateDirectory(const fs::path& path) {
    std::error_code error;
    if (!fs::create_directory(path, error)) {
        return false;
    }
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace, error);
    return !error;
}

}  // namespace

std::unique_ptr<TemporaryDirectory> TemporaryDirectory::Create(const std::string& prefix) {
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    if (error) {
        return nullptr;
    }
    std::random_device random;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
        const fs::path path = base / (prefix + "-" + suffix);
        // create_directory is false for a name that exists already: then another one is tried.
        if (MakePrivateDirectory(path)) {
            return std::unique_ptr<TemporaryDirectory>(new TemporaryDirectory(path));
        }
    }
    return nullptr;
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

fs::path TemporaryDirectory::Subdirectory(const std::string& name) const {
    const fs::path path = path_ / name;
    std::error_code error;
    if (fs::is_directory(path, error) || MakePrivateDirectory(path)) {
        return path;
    }
    return {};
}

}  // namespace scenario
