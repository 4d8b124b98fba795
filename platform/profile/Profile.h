// Profile (INI) files with the Windows semantics the system relies on.
//
// Section and key names are compared ignoring ASCII case. Files are UTF-8; a byte-order mark is
// accepted and kept. Nothing is cached: every call opens the file. Where a section or key stands
// twice, the first one wins, for reads and for writes, as on Windows.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// GetPrivateProfileIntW: the value's optional sign and leading decimal digits (or 0x hex digits),
// read as Windows reads them; `defaultValue` when the file, section or key is missing.
int GetPrivateProfileInt(std::wstring_view section, std::wstring_view key, int defaultValue,
                         const std::filesystem::path& file);

// GetPrivateProfileStringW: the value with surrounding blanks removed (and one pair of
// enclosing quotes), or `defaultValue` when the file, section or key is missing.
std::wstring GetPrivateProfileString(std::wstring_view section, std::wstring_view key,
                                     std::wstring_view defaultValue,
                                     const std::filesystem::path& file);

// WritePrivateProfileStringW: sets the key, creating the file and the section when missing and
// keeping every other line, comment and order. The file is replaced atomically: on any failure
// it is left exactly as it was, and false is returned.
bool WritePrivateProfileString(std::wstring_view section, std::wstring_view key,
                               std::wstring_view value, const std::filesystem::path& file);

}  // namespace platform
