// Profile (INI) files with the Windows semantics the system relies on.
//
// Section and key names are compared ignoring ASCII case. Files are UTF-8; a byte-order mark is
// accepted and kept. Nothing is cached: every call opens the file. Where a section or key stands
// twice, the first one wins, for reads and for writes, as on Windows. The exact line rules, the
// line-length bound and the integer reading are those of ProfileText.h.
//
// A file that cannot be used as a profile (not a regular file, unreadable, larger than 4 MiB)
// reads as missing and is never written. All calls are thread-safe; writes within the process
// are serialised so that two writers never lose each other's key.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// GetPrivateProfileIntW: `defaultValue` when the file, section or key is missing or the value
// is empty; otherwise the value's optional sign and leading digits (decimal, or after a "0x",
// "0o" or "0b" prefix), wrapping modulo 2^32; a value with no leading digit gives 0.
int GetPrivateProfileInt(std::wstring_view section, std::wstring_view key, int defaultValue,
                         const std::filesystem::path& file);

// GetPrivateProfileStringW: the value with surrounding blanks removed (and one pair of
// enclosing quotes), up to its first NUL, or `defaultValue` when the file, section or key is
// missing. A present key with an empty value gives the empty string. Bytes that are not valid
// UTF-8 come back as U+FFFD.
std::wstring GetPrivateProfileString(std::wstring_view section, std::wstring_view key,
                                     std::wstring_view defaultValue,
                                     const std::filesystem::path& file);

// WritePrivateProfileStringW: sets the key, creating the file and the section when missing and
// keeping every other line, comment and order. The file is replaced atomically: on any failure
// it is left exactly as it was, and false is returned. Also false, with nothing written, for
// names or a value that would break the file's lines (empty names, line breaks, NUL, ']' in a
// section, '=' in a key, a line over the bound). Writing the value a key already has succeeds
// without touching the file.
bool WritePrivateProfileString(std::wstring_view section, std::wstring_view key,
                               std::wstring_view value, const std::filesystem::path& file);

}  // namespace platform
