// Conversions between the system's wide strings and UTF-8, the encoding of every byte boundary.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Invalid code units (lone surrogates, values above U+10FFFF) become U+FFFD.
std::string ToUtf8(std::wstring_view text);
// Malformed, over-long or truncated sequences each become one U+FFFD; nothing is trusted.
std::wstring FromUtf8(std::string_view bytes);
// `bytes` with every malformed sequence replaced by U+FFFD, so the result is valid UTF-8.
std::string SanitizeUtf8(std::string_view bytes);
// The length of the well-formed UTF-8 sequence (one code point) that `bytes` starts with; 0 when
// it starts with a malformed, over-long or truncated one, or is empty.
std::size_t Utf8SequenceLength(std::string_view bytes);

}  // namespace platform
