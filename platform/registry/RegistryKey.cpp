// Registry keys kept in a per-user file: reads, and changes made under a lock and replaced
// atomically.
#include "platform/registry/RegistryKey.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>
#include <type_traits>
#include <vector>

#include "platform/files/AtomicFile.h"
#include "platform/registry/AutostartEntry.h"
#include "platform/registry/RegistryText.h"
#include "platform/text/CommandWords.h"
#include "platform/text/Utf8.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// Far above what a few paths and device names need; a larger file is not ours to rewrite.
constexpr std::size_t kMaxRegistryFileBytes = 1024 * 1024;
constexpr std::string_view kCurrentUserName = "HKEY_CURRENT_USER";
constexpr std::string_view kRunKeyName =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr std::string_view kNewFileText =
    "; Kestrel's per-user registry: [root\\key path], then one \"value\"=... a line.\n";

// An exclusive lock on the lock file beside the registry file, held while the object lives, so
// that concurrent changes do not undo each other.
class ChangeLock {
  public:
    explicit ChangeLock(const fs::path& directory) {
        fd_ = ::open((directory / "registry.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~ChangeLock() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    ChangeLock(const ChangeLock&) = delete;
    ChangeLock& operator=(const ChangeLock&) = delete;
    bool Held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

// The file's text, an empty text when it does not exist yet, or nothing when it cannot be used.
std::optional<RegistryText> Load(const fs::path& file, std::string_view textWhenMissing = {}) {
    const FileContent content = ReadWholeFile(file, kMaxRegistryFileBytes);
    switch (content.status) {
        case FileReadStatus::kRead:
            return RegistryText(content.bytes);
        case FileReadStatus::kMissing:
            return RegistryText(textWhenMissing);
        case FileReadStatus::kFailed:
            return std::nullopt;
    }
    return std::nullopt;
}

// The read limit counts UTF-16 code units, as the registry does.
std::size_t Utf16Length(std::wstring_view text) {
    std::size_t units = 0;
    for (wchar_t c : text) {
        units += static_cast<std::uint32_t>(c) > 0xFFFF ? 2 : 1;
    }
    return units;
}

fs::path AccountHome() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr) {
        return {};
    }
    return found->pw_dir;
}

}  // namespace

fs::path ConfigHome() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/') {
        return config;
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
        return fs::path(home) / ".config";
    }
    const fs::path home = AccountHome();
    return home.empty() ? home : home / ".config";
}

fs::path RegistryFilePath() {
    const fs::path config = ConfigHome();
    return config.empty() ? config : config / "kestrel" / "registry.ini";
}

long RegistryKey::Open(RegistryRoot root, std::wstring_view subKey) {
    Close();
    std::optional<std::string> key;
    switch (root) {
        case RegistryRoot::kCurrentUser:
            key = RegistryKeyName(kCurrentUserName, subKey);
            break;
    }
    if (!key) {
        return kRegistryInvalidParameter;
    }
    if (EqualsIgnoringCase(*key, kRunKeyName)) {
        key_ = std::move(key);
        subKey_ = subKey;
        runKey_ = true;
        return kRegistryOk;
    }
    file_ = RegistryFilePath();
    if (file_.empty()) {
        return kRegistryAccessDenied;
    }
    const std::optional<RegistryText> text = Load(file_);
    if (!text) {
        return kRegistryAccessDenied;
    }
    key_ = std::move(key);
    subKey_ = subKey;
    if (!text->HasKey(*key_)) {
        const long created = Change([this](RegistryText& edited) {
            edited.AddKey(*key_);
            return kRegistryOk;
        });
        if (created != kRegistryOk) {
            Close();
            return created;
        }
    }
    return kRegistryOk;
}

template <typename Edit>
long RegistryKey::Change(Edit edit) {
    if (!IsOpen()) {
        return kRegistryInvalidHandle;
    }
    std::error_code ignored;
    fs::create_directories(file_.parent_path(), ignored);
    const ChangeLock lock(file_.parent_path());
    if (!lock.Held()) {
        return kRegistryAccessDenied;
    }
    // Read again under the lock: another key may have changed the file since.
    std::optional<RegistryText> text = Load(file_, kNewFileText);
    if (!text) {
        return kRegistryAccessDenied;
    }
    const long result = edit(*text);
    if (result != kRegistryOk) {
        return result;
    }
    return ReplaceFileAtomically(file_, text->Bytes()) ? kRegistryOk : kRegistryAccessDenied;
}

long RegistryKey::SetString(std::wstring_view name, std::wstring_view text) {
    if (runKey_) {
        return WriteAutostartEntry(name, fs::path(ToUtf8(text.substr(0, text.find(L'\0')))));
    }
    return Change([&](RegistryText& edited) {
        edited.Set(*key_, name, std::wstring(text));
        return kRegistryOk;
    });
}

long RegistryKey::SetDword(std::wstring_view name, std::uint32_t value) {
    if (runKey_) {
        return kRegistryInvalidData;
    }
    return Change([&](RegistryText& edited) {
        edited.Set(*key_, name, value);
        return kRegistryOk;
    });
}

long RegistryKey::DeleteValue(std::wstring_view name) {
    if (runKey_) {
        return DeleteAutostartEntry(name);
    }
    return Change([&](RegistryText& edited) {
        return edited.Delete(*key_, name) ? kRegistryOk : kRegistryNotFound;
    });
}

template <typename Value>
long RegistryKey::Read(std::wstring_view name, Value& out) const {
    if (!IsOpen()) {
        return kRegistryInvalidHandle;
    }
    const std::optional<RegistryText> file = Load(file_);
    if (!file) {
        return kRegistryAccessDenied;
    }
    const std::optional<RegistryValue> value = file->Find(*key_, name);
    if (!value) {
        return kRegistryNotFound;
    }
    const Value* found = std::get_if<Value>(&*value);
    if (found == nullptr) {
        return kRegistryInvalidData;
    }
    if constexpr (std::is_same_v<Value, std::wstring>) {
        if (Utf16Length(*found) > kMaxRegistryReadChars) {
            return kRegistryMoreData;
        }
    }
    out = *found;
    return kRegistryOk;
}

long RegistryKey::ReadString(std::wstring_view name, std::wstring& text) const {
    if (runKey_) {
        fs::path program;
        const long read = ReadAutostartEntry(name, program);
        if (read == kRegistryOk) {
            text = FromUtf8(program.native());
        }
        return read;
    }
    return Read(name, text);
}

long RegistryKey::ReadDword(std::wstring_view name, std::uint32_t& value) const {
    if (runKey_) {
        std::wstring ignored;
        return ReadString(name, ignored) == kRegistryOk ? kRegistryInvalidData : kRegistryNotFound;
    }
    return Read(name, value);
}

void RegistryKey::Close() {
    key_.reset();
    runKey_ = false;
    subKey_.clear();
    file_.clear();
}

}  // namespace platform
