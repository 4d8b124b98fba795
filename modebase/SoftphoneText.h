// What the modes read out of the softphone's texts and write into their rows, the same for
// every mode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

// `text` from `offset` on; empty when it is shorter.
std::wstring_view TextFrom(std::wstring_view text, std::size_t offset);

// `text` without the spaces at both ends.
std::wstring_view TrimSpaces(std::wstring_view text);

// A time in seconds since 1970 as the softphone writes it: a 32-bit signed decimal, leading
// spaces skipped, read up to the first non-digit (no digits: 0). A number outside 32 bits is no
// time at all.
std::optional<std::int64_t> ReadSeconds(std::wstring_view text);

// A row built with a printf format: "  %i/%i".
template <class... Args>
std::wstring FormatRow(const wchar_t* format, Args... args) {
    wchar_t text[64];
    std::swprintf(text, std::size(text), format, args...);
    return text;
}
