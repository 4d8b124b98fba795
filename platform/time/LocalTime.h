// Local wall-clock time, as the system shows the dates and times of calls: the fields of Windows'
// SYSTEMTIME, from the C library's time-zone conversion, so that TZ is honoured.
#pragma once

#include <cstdint>
#include <optional>

namespace platform {

struct SYSTEMTIME {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;      // 1..12
    std::uint16_t wDayOfWeek = 0;  // 0 Sunday
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;

    bool operator==(const SYSTEMTIME&) const = default;
};

// GetLocalTime: now.
SYSTEMTIME GetLocalTime();

// The local time of `secondsSince1970` (UTC); nothing when the C library cannot convert it or
// its year does not fit the field.
std::optional<SYSTEMTIME> LocalTimeFromUnix(std::int64_t secondsSince1970);

}  // namespace platform
