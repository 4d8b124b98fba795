// The registry stand-in: per-user keys and values kept in one file under the XDG configuration
// directory, reached through the operations the system performs on a registry key.
//
// Every operation reads the file anew, and every change replaces it atomically under a lock, so
// several keys, threads or processes may use it at once. Results are Win32 error codes.
//
// One key is not kept in the file: the values of the Run key (HKEY_CURRENT_USER, Software,
// Microsoft, Windows, CurrentVersion, Run) are programs the desktop session starts, so they are
// XDG autostart entries (AutostartEntry.h), each string value a program's absolute path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum RegistryError : long {
    kRegistryOk = 0,                 // ERROR_SUCCESS
    kRegistryNotFound = 2,           // ERROR_FILE_NOT_FOUND: no such value
    kRegistryAccessDenied = 5,       // the file cannot be read or replaced
    kRegistryInvalidHandle = 6,      // the key is not open
    kRegistryInvalidData = 13,       // the value is of the other type
    kRegistryInvalidParameter = 87,  // a name holds a control character
    kRegistryMoreData = 234,         // the string is longer than a read accepts
};

enum class RegistryRoot { kCurrentUser };

// A read accepts at most 400 bytes of UTF-16: 199 code units and the terminator.
inline constexpr std::size_t kMaxRegistryReadChars = 199;

// $XDG_CONFIG_HOME when it is an absolute path, otherwise $HOME/.config (the home directory of
// the user's account when HOME is not set).
std::filesystem::path ConfigHome();
// ConfigHome()/kestrel/registry.ini
std::filesystem::path RegistryFilePath();

class RegistryKey {
  public:
    RegistryKey() = default;
    ~RegistryKey() { Close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens `subKey` (components separated by '\', case ignored), creating it when missing. The
    // file is the one RegistryFilePath() names at this moment.
    long Open(RegistryRoot root, std::wstring_view subKey);
    bool IsOpen() const { return key_.has_value(); }
    const std::wstring& SubKey() const { return subKey_; }

    // A string value; a NUL ends it.
    long SetString(std::wstring_view name, std::wstring_view text);
    long SetDword(std::wstring_view name, std::uint32_t value);
    // `text` changes only on success; a string longer than kMaxRegistryReadChars is
    // kRegistryMoreData.
    long ReadString(std::wstring_view name, std::wstring& text) const;
    // `value` changes only on success.
    long ReadDword(std::wstring_view name, std::uint32_t& value) const;
    long DeleteValue(std::wstring_view name);
    void Close();

  private:
    template <typename Edit>
    long Change(Edit edit);
    template <typename Value>
    long Read(std::wstring_view name, Value& out) const;

    std::optional<std::string> key_;  // the key's name in the file while open
    bool runKey_ = false;             // values are autostart entries
    std::wstring subKey_;
    std::filesystem::path file_;
};

}  // namespace platform
