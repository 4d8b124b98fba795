// The registry file's text, read and edited in memory; no file is touched here.
//
// The format, UTF-8, one item per line (LF, or CR LF, ends a line):
//   [HKEY_CURRENT_USER\Software\Skype\Phone]      a key: the root's name, '\', the sub-key path
//   "SkypePath"="/opt/softphone/bin/phone"        a string value
//   "SetupPreferredAudioDevicesCount"=dword:00000005   a DWORD value, eight hex digits
//   @="text"                                      the key's unnamed (default) value
// Inside quotes, \\ is a backslash, \" a quote, \n \r \t the control characters, \xHH any other
// byte. Key paths and value names are compared ignoring ASCII case; the first key or value of a
// name wins. Blank lines, ';' comments and lines that are none of the above are kept as they are.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform {

using RegistryValue = std::variant<std::wstring, std::uint32_t>;

// The key's line name, "HKEY_CURRENT_USER" followed by each non-empty component of `subKey`
// (separated by '\') after a '\'; so "software\Skype\Phone\" and "Software\\Skype\Phone" name
// the same key. Nothing when a component holds a control character.
std::optional<std::string> RegistryKeyName(std::string_view root, std::wstring_view subKey);

class RegistryText {
  public:
    explicit RegistryText(std::string_view bytes);

    bool HasKey(std::string_view key) const;
    // Adds an empty key at the end when it is missing.
    void AddKey(std::string_view key);
    std::optional<RegistryValue> Find(std::string_view key, std::wstring_view name) const;
    // Replaces the value in place, or adds it at the end of its key, adding the key when missing.
    // A string is cut at its first NUL, as a C string would be.
    void Set(std::string_view key, std::wstring_view name, const RegistryValue& value);
    // Returns whether there was such a value.
    bool Delete(std::string_view key, std::wstring_view name);

    std::string Bytes() const;

  private:
    struct Range {
        std::size_t header;  // the key's line
        std::size_t end;     // one past its last line
    };
    std::optional<Range> FindKey(std::string_view key) const;
    std::optional<std::size_t> FindValueLine(const Range& range, std::wstring_view name) const;

    std::vector<std::string> lines_;
};

}  // namespace platform
