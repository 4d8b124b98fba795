// The mode contract: requests to the engine, the title countdown, LCD access and plug-in
// loading.
#include "modebase/CEmluatorModeBase.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/Messages.h"
#include "modebase/ModePlugin.h"
#include "platform/module/Module.h"

namespace {

using std::chrono::milliseconds;

constexpr StringEntry kEntries[] = {
    {101, L"\u6765\u7535"}, {201, L"\u4F86\u96FB"}, {301, L"Tel Incoming"}};
constexpr StringTable kStrings{kEntries};

// Stands in for the engine: records what modes ask of it.
class FakeEngine : public platform::Window {
  public:
    platform::LRESULT WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override {
        const RegisteredMessages& m = RegisteredMessages::Get();
        if (message == m.requestDisplayLcd) {
            std::memcpy(lastFrame.data(), reinterpret_cast<const void*>(lParam), 1024);
            ++frames;
        } else if (message == m.requestCmdToSkype) {
            commands.emplace_back(reinterpret_cast<const char*>(lParam));
        } else if (message == m.requestCmdToHid) {
            hid.emplace_back(wParam, lParam);
        } else if (message == m.virtualHidKey) {
            keys.push_back(wParam);
        }
        return 1;
    }
    int frames = 0;
    LCDFrame lastFrame{};
    std::vector<std::string> commands;
    std::vector<std::pair<platform::WPARAM, platform::LPARAM>> hid;
    std::vector<platform::WPARAM> keys;
};

class CountingMode : public CEmluatorModeBase {
  public:
    void RefreshLCD() override { ++refreshes; }
    int refreshes = 0;
};

class ModeBaseTest : public ::testing::Test {
  protected:
    ModeBaseTest() {
        mode.CreateDialog();
        BindModeToEngine(mode, kStrings, engine.Handle(), 0, true, false);
    }
    platform::ManualClock clock;
    platform::MessageLoop loop{clock};
    FakeEngine engine;
    CountingMode mode;
};

TEST_F(ModeBaseTest, CreateModeBindsTheModeToTheEngine) {
    EXPECT_EQ(engine.Handle(), mode.GetEmuWnd());
    EXPECT_FALSE(mode.IsActived());
    EXPECT_TRUE(mode.IsSkypeOnline());
    EXPECT_FALSE(mode.IsHIDOnline());
    EXPECT_FALSE(mode.IsVisible());
    EXPECT_EQ(&kStrings, mode.GetModule());
}

TEST_F(ModeBaseTest, ActivatingRepaintsAndGoingBackNeedsAPreviousMode) {
    mode.SetActived(true);
    EXPECT_EQ(1, mode.refreshes);
    mode.GoBackToPrevMode();
    EXPECT_TRUE(mode.IsActived());  // no previous mode: nothing happens

    CountingMode previous;
    mode.m_prevMode = &previous;
    mode.GoBackToPrevMode();
    EXPECT_FALSE(mode.IsActived());
    EXPECT_TRUE(previous.IsActived());
    EXPECT_EQ(1, previous.refreshes);
}

TEST_F(ModeBaseTest, TheTitleShowsOnceAfterTwentyOneTicks) {
    mode.m_langID = 0x0409;
    mode.StartTitleCountdown();
    loop.AdvanceBy(milliseconds(2000));
    EXPECT_EQ(0, engine.frames);
    loop.AdvanceBy(milliseconds(100));
    EXPECT_EQ(1, engine.frames);
    EXPECT_EQ(L"Tel Incoming", std::wstring(mode.m_screen.rows[1]));
    EXPECT_EQ(std::wstring(16, L' '), std::wstring(mode.m_screen.rows[0]));
    EXPECT_EQ(-1, mode.m_screen.highlight);
    EXPECT_EQ(1, mode.m_screen.textScreen);
    EXPECT_EQ(-1, mode.m_titleTicks);
    loop.AdvanceBy(milliseconds(10000));
    EXPECT_EQ(1, engine.frames);  // idle until started again
}

TEST_F(ModeBaseTest, TheTitleIsDrawnBeforeItIsSent) {
    mode.m_langID = 0x0409;
    mode.SetHighlightLine(2);
    mode.SetLCDByte(7, 0x42);
    mode.StartTitleCountdown();
    loop.AdvanceBy(milliseconds(2100));
    ASSERT_EQ(1, engine.frames);

    CountingMode reference;
    for (int row = 0; row < 4; ++row) {
        reference.SetLine(row == 1 ? L"Tel Incoming" : L"                ", row);
    }
    reference.RenderText();
    EXPECT_EQ(reference.m_lcd, engine.lastFrame);
    EXPECT_NE(LCDFrame{}, engine.lastFrame);
}

TEST_F(ModeBaseTest, DeactivatingOrStoppingCancelsTheCountdown) {
    mode.SetActived(true);
    mode.StartTitleCountdown();
    loop.AdvanceBy(milliseconds(1500));
    mode.SetActived(false);
    loop.AdvanceBy(milliseconds(5000));
    EXPECT_EQ(0, engine.frames);

    mode.StartTitleCountdown();
    loop.AdvanceBy(milliseconds(1000));
    mode.StopTitleCountdown();
    loop.AdvanceBy(milliseconds(5000));
    EXPECT_EQ(0, engine.frames);
}

TEST_F(ModeBaseTest, TheTitleLanguageFollowsTheLangId) {
    const std::pair<std::uint16_t, const wchar_t*> cases[] = {
        {0x0804, L"\u6765\u7535"}, {0x1004, L"\u4F86\u96FB"}, {0x0404, L"\u4F86\u96FB"},
        {0x0C04, L"\u4F86\u96FB"}, {0x0409, L"Tel Incoming"}, {0x0411, L"Tel Incoming"}};
    for (const auto& [langId, expected] : cases) {
        mode.m_langID = langId;
        mode.ShowTitleScreen();
        EXPECT_EQ(expected, std::wstring(mode.m_screen.rows[1])) << std::hex << langId;
    }
    EXPECT_EQ(0u, CEmluatorModeBase::TitleLanguageOffset(0x0804));
    EXPECT_EQ(100u, CEmluatorModeBase::TitleLanguageOffset(0x1004));  // Singapore: other Chinese
    EXPECT_EQ(200u, CEmluatorModeBase::TitleLanguageOffset(0x0407));
}

TEST_F(ModeBaseTest, CommandsAreSentTerminatedAndOverLongOnesRefused) {
    EXPECT_TRUE(mode.RequestCmdToSkype(L"get call 12 status"));
    EXPECT_TRUE(mode.RequestCmdToSkype(std::wstring(255, L'x')));
    EXPECT_FALSE(mode.RequestCmdToSkype(std::wstring(256, L'x')));
    EXPECT_FALSE(mode.RequestCmdToSkype(std::wstring(100, L'\u4F60')));  // 300 bytes
    ASSERT_EQ(2u, engine.commands.size());
    EXPECT_EQ("get call 12 status", engine.commands[0]);
    EXPECT_EQ(255u, engine.commands[1].size());
}

TEST_F(ModeBaseTest, HandsetRequestsAndVirtualKeysArePostedMaskedToEightBits) {
    mode.RequestCmdToHID(3, 5);
    mode.SendVirtualKey(6);
    EXPECT_TRUE(engine.hid.empty());  // posted, not sent
    loop.ProcessReady();
    ASSERT_EQ(1u, engine.hid.size());
    EXPECT_EQ(3u, engine.hid[0].first);
    EXPECT_EQ(5, engine.hid[0].second);
    EXPECT_EQ(std::vector<platform::WPARAM>{6}, engine.keys);
}

TEST_F(ModeBaseTest, LcdBytesOutsideTheFrameAreIgnored) {
    mode.SetLCDByte(0, 1);
    mode.SetLCDByte(1023, 2);
    mode.SetLCDByte(1024, 3);
    mode.SetLCDByte(-1, 4);
    EXPECT_EQ(1, mode.GetLCDByte(0));
    EXPECT_EQ(2, mode.GetLCDByte(1023));
    EXPECT_EQ(0, mode.GetLCDByte(1024));
    EXPECT_EQ(0, mode.GetLCDByte(-1));
    EXPECT_EQ(0, mode.GetLCDByte(1 << 30));
}

TEST_F(ModeBaseTest, RequestsBeforeBindingGoNowhere) {
    CountingMode unbound;
    EXPECT_TRUE(unbound.RequestCmdToSkype(L"x"));
    unbound.RequestDisplayLCD();
    unbound.SendVirtualKey(6);
    loop.ProcessReady();
    EXPECT_EQ(0, engine.frames);
    EXPECT_TRUE(engine.keys.empty());
}

TEST(ModePlugin, APluginIsCreatedOnLoadDrivenThroughTheBaseAndDestroyedOnUnload) {
    platform::ManualClock clock;
    platform::MessageLoop loop(clock);
    FakeEngine engine;
    auto module = platform::Module::Load(TEST_PLUGIN_PATH);
    ASSERT_NE(nullptr, module);
    auto create = reinterpret_cast<CreateModeFunction>(module->Symbol("CreateMode"));
    ASSERT_NE(nullptr, create);
    CEmluatorModeBase* mode = create(engine.Handle(), 0, true, true);
    ASSERT_NE(nullptr, mode);
    EXPECT_EQ(mode, create(engine.Handle(), 0, true, true));  // one object per plug-in
    const platform::WindowHandle window = mode->Handle();
    EXPECT_TRUE(platform::IsWindow(window));

    EXPECT_FALSE(mode->ProcessKey(5));
    EXPECT_EQ(5, mode->GetLCDByte(0));
    EXPECT_TRUE(mode->ProcessKey(3));
    EXPECT_TRUE(mode->IsActived());
    EXPECT_FALSE(mode->ProcessSkypeMsg(L"CALL 1 STATUS RINGING"));
    EXPECT_EQ(21, mode->GetLCDByte(1));

    mode->m_langID = 0x0409;
    mode->StartTitleCountdown();
    loop.AdvanceBy(milliseconds(2100));  // the plug-in's own timer runs on this loop
    EXPECT_EQ(1, engine.frames);
    EXPECT_EQ(L"Test Title", std::wstring(mode->m_screen.rows[1]));

    module.reset();
    EXPECT_FALSE(platform::IsWindow(window));
}

TEST(ModePlugin, AModuleWithoutCreateModeLoadsButOffersNoMode) {
    auto module = platform::Module::Load(NO_CREATE_PLUGIN_PATH);
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(nullptr, module->Symbol("CreateMode"));
    EXPECT_EQ(nullptr, platform::Module::Load("/nonexistent/Nothing.dll"));
}

}  // namespace
