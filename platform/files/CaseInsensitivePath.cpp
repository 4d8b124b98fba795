// The case-insensitive path lookup, one directory level at a time.
#include "platform/files/CaseInsensitivePath.h"

#include <algorithm>
#include <optional>
#include <string>
#include <system_error>

namespace platform {
namespace fs = std::filesystem;
namespace {

bool Exists(const fs::path& path) {
    std::error_code error;
    return fs::symlink_status(path, error).type() != fs::file_type::not_found && !error;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// The entry of `directory` named `name` ignoring case, the first in name order.
std::optional<fs::path> FindEntry(const fs::path& directory, const std::string& name) {
    std::error_code error;
    std::optional<std::string> best;
    for (fs::directory_iterator it(directory.empty() ? fs::path(".") : directory, error), end;
         !error && it != end; it.increment(error)) {
        const std::string candidate = it->path().filename().native();
        if (EqualIgnoringCase(candidate, name) && (!best || candidate < *best)) {
            best = candidate;
        }
    }
    if (!best) {
        return std::nullopt;
    }
    return directory / *best;
}

}  // namespace

fs::path FindIgnoringCase(const fs::path& path) {
    if (Exists(path)) {
        return path;
    }
    fs::path found = path.root_path();
    for (const fs::path& component : path.relative_path()) {
        const std::string name = component.native();
        if (name.empty() || name == "." || name == "..") {
            found /= component;
            continue;
        }
        if (Exists(found / component)) {
            found /= component;
        } else if (std::optional<fs::path> entry = FindEntry(found, name)) {
            found = std::move(*entry);
        } else {
            return path;
        }
    }
    return found;
}

}  // namespace platform
