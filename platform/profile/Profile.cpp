// The profile functions: file access around the in-memory reading and editing of ProfileText.
#include "platform/profile/Profile.h"

#include <mutex>
#include <optional>

#include "platform/files/AtomicFile.h"
#include "platform/profile/ProfileText.h"
#include "platform/text/Utf8.h"

namespace platform {
namespace {

// The system's files are a few kilobytes; this only bounds what a damaged file can cost.
constexpr std::size_t kMaxProfileFileBytes = 4u << 20;

std::mutex& WriteMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<std::string> ReadValue(std::wstring_view section, std::wstring_view key,
                                     const std::filesystem::path& file) {
    const FileContent content = ReadWholeFile(file, kMaxProfileFileBytes);
    if (content.status != FileReadStatus::kRead) {
        return std::nullopt;
    }
    const auto value = FindProfileValue(content.bytes, ToUtf8(section), ToUtf8(key));
    if (!value) {
        return std::nullopt;
    }
    return std::string(*value);
}

}  // namespace

int GetPrivateProfileInt(std::wstring_view section, std::wstring_view key, int defaultValue,
                         const std::filesystem::path& file) {
    const auto value = ReadValue(section, key, file);
    return value ? ParseProfileInt(*value, defaultValue) : defaultValue;
}

std::wstring GetPrivateProfileString(std::wstring_view section, std::wstring_view key,
                                     std::wstring_view defaultValue,
                                     const std::filesystem::path& file) {
    const auto value = ReadValue(section, key, file);
    return value ? FromUtf8(*value) : std::wstring(defaultValue);
}

bool WritePrivateProfileString(std::wstring_view section, std::wstring_view key,
                               std::wstring_view value, const std::filesystem::path& file) {
    const std::lock_guard lock(WriteMutex());
    const FileContent content = ReadWholeFile(file, kMaxProfileFileBytes);
    if (content.status == FileReadStatus::kFailed) {
        return false;
    }
    const auto edited = SetProfileValue(content.bytes, ToUtf8(section), ToUtf8(key), ToUtf8(value));
    if (!edited) {
        return false;
    }
    if (content.status == FileReadStatus::kRead && *edited == content.bytes) {
        return true;
    }
    return ReplaceFileAtomically(file, *edited);
}

}  // namespace platform
