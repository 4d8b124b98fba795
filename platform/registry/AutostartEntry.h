// The Run key's stand-in: a value NAME holding a program's path is the XDG autostart entry
// ConfigHome()/autostart/NAME.desktop, which starts that program in its own directory when the
// user's desktop session starts. Results are the registry's error codes.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The entry's file, or an empty path when `name` cannot name one (empty, ".", "..", a '/' or a
// control character in it) or there is no configuration directory.
std::filesystem::path AutostartFile(std::wstring_view name);

long WriteAutostartEntry(std::wstring_view name, const std::filesystem::path& program);
// The program the entry starts; `program` changes only on success. An entry that is there but
// not one of ours to read is kRegistryInvalidData.
long ReadAutostartEntry(std::wstring_view name, std::filesystem::path& program);
// kRegistryNotFound when there is no entry. Where the system has an entry of the same name (in
// XDG_CONFIG_DIRS, /etc/xdg by default), the user's entry is the one read, and a deleted one
// becomes a hidden entry, so that the system's no longer starts the program.
long DeleteAutostartEntry(std::wstring_view name);

// The entry's text for `program`, quoted and escaped as desktop entries require.
std::string AutostartEntryText(std::wstring_view name, const std::filesystem::path& program);
// The program an entry's text starts, as AutostartEntryText wrote it; nothing for any other.
std::optional<std::filesystem::path> AutostartEntryProgram(std::string_view text);

}  // namespace platform
