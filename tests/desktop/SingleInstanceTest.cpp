// One copy per user on the desktop: a second Larkspur hands over to the first, whose console
// comes forward, and shows nothing itself; a larkspurd beside Larkspur is refused.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/desktop/DesktopRun.h"

namespace desktop_test {
namespace {

class LarkspurRunning : public testing::Test {
  protected:
    void SetUp() override {
        if (const std::string missing = DesktopRun::MissingPrograms(); !missing.empty()) {
            GTEST_SKIP() << missing;
        }
        run_ = std::make_unique<DesktopRun>(DesktopRun::Tray::kWatcher);
        ASSERT_EQ(run_->Failure(), "");
        ASSERT_EQ(run_->LaunchLarkspur(), "");
        // Settled: in the tray, its console hidden.
        ASSERT_TRUE(run_->WaitUntil([this] {
            return run_->Item() != nullptr && run_->Item()->ToolTipTitle().has_value() &&
                   run_->ConsoleHidden();
        })) << run_->Describe();
    }

    std::unique_ptr<DesktopRun> run_;
};

TEST_F(LarkspurRunning, ASecondCopyBringsTheFirstsConsoleForwardAndEnds) {
    scenario::Session& session = run_->Session();
    const XWindows::WindowId console = run_->Consoles().front().id;
    run_->Windows().ForgetMapped();

    ASSERT_TRUE(session.RunSecondHost(kPatience).ok) << run_->Describe();
    EXPECT_EQ(HowEnded(*session.SecondHost()), "exit status 0")
        << "the second said:\n"
        << (session.SecondHost()->Lines().empty() ? std::string("(nothing)")
                                                  : session.SecondHost()->Lines().back());
    EXPECT_TRUE(run_->WaitUntil([this] { return run_->ConsoleMapped(); }))
        << "the first copy's console did not come forward" << run_->Describe();

    // The second showed nothing of its own: no window mapped but the first's console, no
    // second tray item.
    run_->Windows().TakeEvents();
    for (const XWindows::WindowId window : run_->Windows().MappedSince()) {
        EXPECT_EQ(window, console) << "another window was mapped";
    }
    EXPECT_EQ(run_->Watcher()->Items().size(), 1u);
    EXPECT_FALSE(session.Host().HasEnded()) << run_->Describe();
}

TEST_F(LarkspurRunning, LarkspurdBesideItIsRefusedAndTheFirstGoesOnServing) {
    scenario::Session& session = run_->Session();
    ASSERT_TRUE(session.RunSecondHost(kPatience, "larkspurd").ok) << run_->Describe();
    const scenario::HostProcess& second = *session.SecondHost();
    EXPECT_EQ(HowEnded(second), "exit status 1");
    EXPECT_TRUE(std::any_of(second.Lines().begin(), second.Lines().end(),
                            [](const auto& line) {
                                return line.find("another copy is already running for this user") !=
                                       std::string::npos;
                            }))
        << "larkspurd said:\n"
        << (second.Lines().empty() ? std::string("(nothing)") : second.Lines().back());

    // Undisturbed: the handset plugged in now is Larkspur's.
    ASSERT_TRUE(run_->WaitUntil([&] { return session.Handset().Plug(session.HandsetSocket()); }));
    EXPECT_TRUE(run_->WaitUntil([this] {
        return run_->Item()->ToolTipTitle() ==
               QString::fromStdString(kAppName + "(SkypeNotOnline)");
    })) << run_->Describe();
}

}  // namespace
}  // namespace desktop_test
