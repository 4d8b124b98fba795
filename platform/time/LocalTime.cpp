#include "platform/time/LocalTime.h"

#include <sys/time.h>

#include <ctime>

namespace platform {
namespace {

std::optional<SYSTEMTIME> Convert(std::time_t seconds, std::uint16_t milliseconds) {
    std::tm local{};
    if (::localtime_r(&seconds, &local) == nullptr || local.tm_year + 1900 < 0 ||
        local.tm_year + 1900 > 0xFFFF) {
        return std::nullopt;
    }
    SYSTEMTIME time;
    time.wYear = static_cast<std::uint16_t>(local.tm_year + 1900);
    time.wMonth = static_cast<std::uint16_t>(local.tm_mon + 1);
    time.wDayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
    time.wDay = static_cast<std::uint16_t>(local.tm_mday);
    time.wHour = static_cast<std::uint16_t>(local.tm_hour);
    time.wMinute = static_cast<std::uint16_t>(local.tm_min);
    time.wSecond = static_cast<std::uint16_t>(local.tm_sec);
    time.wMilliseconds = milliseconds;
    return time;
}

}  // namespace

SYSTEMTIME GetLocalTime() {
    ::timeval now{};
    ::gettimeofday(&now, nullptr);
    return Convert(now.tv_sec, static_cast<std::uint16_t>(now.tv_usec / 1000))
        .value_or(SYSTEMTIME{});
}

std::optional<SYSTEMTIME> LocalTimeFromUnix(std::int64_t secondsSince1970) {
    return Convert(static_cast<std::time_t>(secondsSince1970), 0);
}

}  // namespace platform
