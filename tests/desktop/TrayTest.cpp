// Larkspur with a StatusNotifierItem tray: its item registers, its tip and picture follow the
// handset and the softphone, activating it and the menu's "Settings" show the console, and the
// menu's "Exit" closes the handset and ends the program.
#include <gtest/gtest.h>

#include "tests/desktop/DesktopRun.h"

namespace desktop_test {
namespace {

using Picture = DesktopRun::Picture;

const std::string kAllOnline = kAppName;
const std::string kSoftphoneAway = kAppName + "(SkypeNotOnline)";
const std::string kHandsetAway = kAppName + "(DeviceNotOnline)";

class LarkspurTray : public testing::Test {
  protected:
    void SetUp() override {
        if (const std::string missing = DesktopRun::MissingPrograms(); !missing.empty()) {
            GTEST_SKIP() << missing;
        }
        run_ = std::make_unique<DesktopRun>(DesktopRun::Tray::kWatcher);
        ASSERT_EQ(run_->Failure(), "");
        ASSERT_EQ(run_->LaunchLarkspur(), "");
        ASSERT_TRUE(run_->WaitUntil([this] { return run_->Item() != nullptr; }))
            << "Larkspur registered no item with the StatusNotifierWatcher" << run_->Describe();
    }

    // Waits for the item to show `tip` and `picture`.
    testing::AssertionResult Shown(const std::string& tip, Picture picture) {
        if (run_->WaitUntil([&] { return run_->Shows(tip, picture); })) {
            return testing::AssertionSuccess();
        }
        return testing::AssertionFailure() << "wanted tip \"" << tip << "\" and picture "
                                           << ToString(picture) << run_->Describe();
    }

    bool Plug() {
        scenario::Session& session = run_->Session();
        const std::string socket = session.HandsetSocket().native();
        return run_->WaitUntil([&] { return session.Handset().Plug(socket); });
    }

    std::unique_ptr<DesktopRun> run_;
};

TEST_F(LarkspurTray, TipAndPictureFollowTheHandsetAndTheSoftphone) {
    scenario::Session& session = run_->Session();
    ASSERT_TRUE(Shown(kHandsetAway, Picture::kNoDevice));
    EXPECT_TRUE(run_->WaitUntil([this] { return run_->Item()->Status() == "Active"; }))
        << "the icon is not shown as active" << run_->Describe();

    ASSERT_TRUE(Plug());
    ASSERT_TRUE(Shown(kSoftphoneAway, Picture::kNoSkype));

    ASSERT_TRUE(session.Phone().Attach(0));
    ASSERT_TRUE(Shown(kAllOnline, Picture::kAllOk));

    // The handset's absence is what the tray says, whatever the softphone does.
    session.Handset().Unplug();
    ASSERT_TRUE(Shown(kHandsetAway, Picture::kNoDevice));
    ASSERT_TRUE(Plug());
    ASSERT_TRUE(Shown(kAllOnline, Picture::kAllOk));

    // The softphone ends (its links see the end of the stream); the one started in its place
    // is not available.
    ASSERT_TRUE(session.Phone().Attach(3));
    ASSERT_TRUE(Shown(kSoftphoneAway, Picture::kNoSkype));

    EXPECT_TRUE(run_->ConsoleHidden()) << run_->Describe();
    run_->Item()->Activate(10, 10);
    EXPECT_TRUE(run_->WaitUntil([this] { return run_->ConsoleMapped(); }))
        << "activating the icon did not show the console" << run_->Describe();
    EXPECT_EQ(run_->Item()->Errors(), QStringList());
}

TEST_F(LarkspurTray, SettingsShowsTheConsoleAndExitClosesTheHandset) {
    scenario::Session& session = run_->Session();
    ASSERT_TRUE(run_->WaitUntil([this] { return run_->ConsoleHidden(); }))
        << "the console was not hidden after the start" << run_->Describe();

    TrayItem& item = *run_->Item();
    ASSERT_TRUE(run_->WaitForItemAnswers());
    item.ReadMenu();
    ASSERT_TRUE(run_->WaitUntil([&] { return item.Menu().has_value(); }))
        << "no menu read" << run_->Describe();
    std::vector<std::string> shown;
    for (const MenuEntry& entry : *item.Menu()) {
        if (entry.visible) {
            shown.push_back(entry.separator ? "-" : entry.label.toStdString());
        }
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"Settings", "-", "Exit"}));

    ASSERT_TRUE(item.Click(QStringLiteral("Settings"))) << run_->Describe();
    EXPECT_TRUE(run_->WaitUntil([this] { return run_->ConsoleMapped(); }))
        << "\"Settings\" did not show the console" << run_->Describe();

    // A handset with its settings and an attached softphone, as at any time of use.
    ASSERT_TRUE(Plug());
    ASSERT_TRUE(session.Phone().Attach(0));
    ASSERT_TRUE(Shown(kAllOnline, Picture::kAllOk));

    const std::size_t before = session.Handset().LogEnd();
    ASSERT_TRUE(item.Click(QStringLiteral("Exit"))) << run_->Describe();
    ASSERT_TRUE(run_->WaitUntil([&] { return session.Host().HasEnded(); }))
        << "\"Exit\" did not end Larkspur" << run_->Describe();
    EXPECT_EQ(HowEnded(session.Host()), "exit status 0") << run_->Describe();
    // The goodbye, then the lights, the microphone mute and the ringer off, as on SIGTERM.
    EXPECT_TRUE(
        ReceivedInOrder(session.Handset(), before, {{10, 0}, {2, 0}, {4, 0}, {3, 0}, {12, 0}}))
        << "the handset did not receive its closing commands" << run_->Describe();
}

}  // namespace
}  // namespace desktop_test
