// Local time from seconds since 1970, in the time zone TZ names.
#include "platform/time/LocalTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace platform {
namespace {

class LocalTimeTest : public ::testing::Test {
  protected:
    void InZone(const char* zone) {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    void TearDown() override {
        ::unsetenv("TZ");
        ::tzset();
    }
};

TEST_F(LocalTimeTest, SecondsSince1970BecomeTheLocalDateAndTimeOfTheZone) {
    struct Case {
        const char* zone;
        std::int64_t seconds;
        SYSTEMTIME expected;
    };
    // 2026-12-09 08:05:03 UTC, a Wednesday; and the epoch.
    const Case cases[] = {
        {"UTC0", 1796803503, {2026, 12, 3, 9, 8, 5, 3, 0}},
        {"CST-8", 1796803503, {2026, 12, 3, 9, 16, 5, 3, 0}},
        {"EST5", 1796803503, {2026, 12, 3, 9, 3, 5, 3, 0}},
        {"UTC0", 0, {1970, 1, 4, 1, 0, 0, 0, 0}},
        // An hour west of UTC, the epoch is still the last day of 1969.
        {"XYZ1", 0, {1969, 12, 3, 31, 23, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        InZone(c.zone);
        EXPECT_EQ(c.expected, LocalTimeFromUnix(c.seconds)) << c.zone << " " << c.seconds;
    }
}

TEST_F(LocalTimeTest, NowIsTheZonesCurrentTime) {
    InZone("UTC0");
    const std::time_t before = std::time(nullptr);
    const SYSTEMTIME now = GetLocalTime();
    const std::time_t after = std::time(nullptr);
    const SYSTEMTIME low = *LocalTimeFromUnix(before);
    const SYSTEMTIME high = *LocalTimeFromUnix(after);
    EXPECT_TRUE(now.wYear == low.wYear || now.wYear == high.wYear);
    EXPECT_LT(now.wMilliseconds, 1000);
    EXPECT_TRUE((now.wHour == low.wHour && now.wMinute == low.wMinute) ||
                (now.wHour == high.wHour && now.wMinute == high.wMinute));
}

}  // namespace
}  // namespace platform
