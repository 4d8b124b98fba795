// Reading and editing the text of a profile (INI) file in memory; no file is touched here.
//
// The rules, applied to UTF-8 bytes:
// - A line ends at LF; a CR just before the LF belongs to the line end. A UTF-8 byte-order mark
//   at the start of the text is skipped. Blanks (space, tab, CR, VT, FF) around a line are ignored.
// - "[name]" starts a section: the name is the text between '[' and the first ']', blanks
//   trimmed; anything after the ']' is ignored. A line starting with '[' without a ']' is not a
//   section: it is ignored and the section before it goes on.
// - A line starting with ';' is a comment.
// - "key=value" in a section is a key: the key is the text before the first '=', the value the
//   text after it, both blank-trimmed; one pair of matching enclosing quotes ("..." or '...') is
//   removed from the value, and the value ends at a NUL byte. A line without '=' or with an empty
//   key is not a key. Keys before the first section belong to no section and are never found.
// - Section and key names are compared ignoring ASCII case, after trimming the requested names.
// - A name that stands twice: only the first section of that name counts, and in it only the
//   first key of that name; later duplicates are never read nor written, and are kept as they are.
// - A line longer than kMaxProfileLineBytes (line end excluded) is ignored entirely: it is neither
//   a section nor a key, and keeps the current section going.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Longer than any path or device name the system stores, short enough to bound every line.
inline constexpr std::size_t kMaxProfileLineBytes = 8192;

// The value of `key` in `section`, or nothing when the section or the key is missing.
std::optional<std::string_view> FindProfileValue(std::string_view text, std::string_view section,
                                                 std::string_view key);

// `text` with `key` in `section` set to `value`. An existing key keeps its line, spelling and
// everything before its value; a new key goes after the last key of the section; a new section
// goes at the end, after a blank line. Every other byte (comments, order, duplicates, a
// byte-order mark, each line's own end) is kept; new lines end as the file's first line does
// (LF when it has none). Nothing is returned when the names or the value cannot be written
// without changing the file's structure: an empty name, a line break or NUL anywhere, ']' in the
// section, '=' in the key or a key starting with '[' or ';', or a line over the limit.
std::optional<std::string> SetProfileValue(std::string_view text, std::string_view section,
                                           std::string_view key, std::string_view value);

// A value read as GetPrivateProfileIntW reads it: `defaultValue` for an empty value; otherwise
// only its first 29 characters count, leading control characters and blanks are skipped, then
// an optional '+' or '-', a base prefix "0x" (hex), "0o" (octal) or "0b" (binary), and the
// digits up to the first character that is not one; no digit gives 0. The number wraps around
// modulo 2^32 and is then negated for '-'.
int ParseProfileInt(std::string_view value, int defaultValue);

}  // namespace platform
