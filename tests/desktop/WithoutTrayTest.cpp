// Larkspur on a desktop without any tray (no StatusNotifierWatcher on the bus, no XEmbed tray
// manager on the display): it says so once, shows its console instead, and goes on serving.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/desktop/DesktopRun.h"

namespace desktop_test {
namespace {

TEST(LarkspurWithoutTray, SaysSoOnceShowsTheConsoleAndKeepsServing) {
    if (const std::string missing = DesktopRun::MissingPrograms(); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    DesktopRun run(DesktopRun::Tray::kNone);
    ASSERT_EQ(run.Failure(), "");
    ASSERT_EQ(run.LaunchLarkspur(), "");
    scenario::Session& session = run.Session();
    const auto saidNoTray = [&] {
        const auto& lines = session.Host().Lines();
        return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find("no system tray") != std::string::npos;
        });
    };
    ASSERT_TRUE(run.WaitUntil([&] { return saidNoTray() > 0 && run.ConsoleMapped(); }))
        << "wanted the \"no system tray\" line and the console shown" << run.Describe();

    // Still there and serving: the handset it is given gets its settings and the start-up
    // notice, long after the moment a tray would have hidden the console.
    const std::size_t before = session.Handset().LogEnd();
    ASSERT_TRUE(run.WaitUntil([&] { return session.Handset().Plug(session.HandsetSocket()); }));
    EXPECT_TRUE(run.WaitUntil([&] {
        return ReceivedInOrder(session.Handset(), before, {{5, 32}, {7, 0}, {8, 0}}) ||
               session.Host().HasEnded();
    })) << run.Describe();
    EXPECT_FALSE(session.Host().HasEnded()) << run.Describe();
    EXPECT_TRUE(run.ConsoleMapped()) << "the console went away" << run.Describe();
    EXPECT_EQ(saidNoTray(), 1) << run.Describe();
}

}  // namespace
}  // namespace desktop_test
