// Key table, key routing and the hand-over of the handset between modes.
#include <gtest/gtest.h>

#include "engine/tests/EngineFixture.h"

namespace enginetest {
namespace {

class ModeManagerTest : public EngineFixture {};

TEST_F(ModeManagerTest, TheDefaultKeyTable) {
    Start();
    EXPECT_EQ(0, engine->TranslateScanCode(0));
    EXPECT_EQ(3, engine->TranslateScanCode(3));
    EXPECT_EQ(25, engine->TranslateScanCode(25));
    for (std::uint8_t scan = 26; scan <= 32; ++scan) {
        EXPECT_EQ(0, engine->TranslateScanCode(scan)) << int(scan);
    }
    EXPECT_EQ(40, engine->TranslateScanCode(33));
    EXPECT_EQ(64, engine->TranslateScanCode(57));
    EXPECT_EQ(0, engine->TranslateScanCode(58));
    EXPECT_EQ(0, engine->TranslateScanCode(255));
}

TEST_F(ModeManagerTest, KeyDefineOverridesTakeTheLowEightBits) {
    dir.Write("KeyDefine.ini", "[keydef]\nKEY26=5\nkey3=511\nkey50=-1\n");
    Start();
    EXPECT_EQ(5, engine->TranslateScanCode(33));
    EXPECT_EQ(255, engine->TranslateScanCode(3));
    EXPECT_EQ(255, engine->TranslateScanCode(57));
    EXPECT_EQ(4, engine->TranslateScanCode(4));
}

TEST_F(ModeManagerTest, TheActiveModeGetsTheKeyFirstAndKeepsIt) {
    Start();
    ScriptedMode& a = AddMode("a");
    ScriptedMode& b = AddMode("b");
    a.ClaimKey(3);
    b.onKey = [](std::uint8_t) { return true; };
    PressScan(3);
    EXPECT_TRUE(a.IsActived());  // a took it; b saw it too but did not activate
    EXPECT_EQ(1u, b.keys.size());
    PressScan(3);
    EXPECT_EQ(2u, a.keys.size());
    EXPECT_EQ(1u, b.keys.size());  // handled by the active mode: nobody else sees it
}

TEST_F(ModeManagerTest, HandOverLinksThePreviousModeWithoutATwoModeLoop) {
    Start();
    ScriptedMode& a = AddMode("a");
    ScriptedMode& b = AddMode("b");
    a.ClaimKey(3);
    b.ClaimKey(4);
    PressScan(3);
    PressScan(4);
    EXPECT_FALSE(a.IsActived());
    EXPECT_TRUE(b.IsActived());
    EXPECT_EQ(&a, b.m_prevMode);
    PressScan(3);
    EXPECT_TRUE(a.IsActived());
    EXPECT_FALSE(b.IsActived());
    EXPECT_EQ(nullptr, a.m_prevMode);  // a's link would point back at b, whose link is a
    b.GoBackToPrevMode();              // b is inactive, but its link still leads to a
    EXPECT_TRUE(a.IsActived());
}

TEST_F(ModeManagerTest, KeysFromTheAlwaysGroupNeverRestoreAPutAsideMode) {
    Start();
    ScriptedMode& a = AddMode("a");
    ScriptedMode& b = AddMode("b");
    a.ClaimKey(3);
    PressScan(3);
    Post(Msg().saveCurrentMode, 0, 0);
    EXPECT_FALSE(a.IsActived());
    a.keys.clear();

    PressScan(20);
    EXPECT_EQ(std::vector<std::uint8_t>{20}, a.keys);
    EXPECT_FALSE(a.IsActived());
    Post(Msg().virtualHidKey, 100, 0);
    EXPECT_FALSE(a.IsActived());

    // An ordinary key brings the saved mode back and is swallowed.
    a.keys.clear();
    b.keys.clear();
    b.posted.clear();
    PressScan(5);
    EXPECT_TRUE(a.IsActived());
    EXPECT_TRUE(a.keys.empty());
    EXPECT_TRUE(b.keys.empty());
    ASSERT_EQ(1u, b.posted.size());
    EXPECT_EQ(Msg().clearRestore, b.posted[0].message);
    PressScan(5);
    EXPECT_EQ(std::vector<std::uint8_t>{5}, a.keys);
}

TEST_F(ModeManagerTest, RestoreWaitsWhileAnotherModeIsActive) {
    Start();
    ScriptedMode& a = AddMode("a");
    ScriptedMode& b = AddMode("b");
    a.ClaimKey(3);
    PressScan(3);
    Post(Msg().saveCurrentMode, 0, 0);
    b.SetActived(true);
    Post(Msg().restoreSaveMode, 0, 0);
    EXPECT_FALSE(a.IsActived());  // b is active: a stays saved
    b.SetActived(false);
    engine->RestoreSavedMode();
    EXPECT_TRUE(a.IsActived());
    a.SetActived(false);
    engine->RestoreSavedMode();  // restored once; nothing is saved any more
    EXPECT_FALSE(a.IsActived());
}

TEST_F(ModeManagerTest, AModeThatHandledANotificationKeepsTheHandset) {
    Start();
    ScriptedMode& a = AddMode("a");
    ScriptedMode& b = AddMode("b");
    a.ClaimKey(3);
    PressScan(3);
    a.onText = [](const std::wstring&) { return true; };
    b.onText = [&b](const std::wstring&) {
        b.SetActived(true);  // wants the handset too
        return true;
    };
    const int refreshesBefore = a.refreshes;
    SkypeSays("CALL 5 STATUS RINGING");
    EXPECT_TRUE(a.IsActived());
    EXPECT_FALSE(b.IsActived());
    EXPECT_EQ(1u, b.texts.size());
    EXPECT_EQ(refreshesBefore + 1, a.refreshes);

    SkypeSays("CONTACTS FOCUSED echo123");
    EXPECT_EQ(1u, b.texts.size());  // not shown to the others at all
    EXPECT_EQ(2u, a.texts.size());
}

TEST_F(ModeManagerTest, ANotificationNobodyHandledHandsTheHandsetOver) {
    Start();
    ScriptedMode& a = AddMode("a");
    ScriptedMode& b = AddMode("b");
    a.ClaimKey(3);
    PressScan(3);
    b.onText = [&b](const std::wstring& text) {
        if (text.starts_with(L"CALL ")) {
            b.SetActived(true);
            return true;
        }
        return false;
    };
    SkypeSays("CALL 5 STATUS RINGING");
    EXPECT_FALSE(a.IsActived());
    EXPECT_TRUE(b.IsActived());
    EXPECT_EQ(&a, b.m_prevMode);
    EXPECT_EQ(L"CALL 5 STATUS RINGING", b.texts[0]);
}

TEST_F(ModeManagerTest, ANotificationBringsBackAPutAsideMode) {
    Start();
    ScriptedMode& a = AddMode("a");
    a.ClaimKey(3);
    PressScan(3);
    Post(Msg().saveCurrentMode, 0, 0);
    EXPECT_FALSE(a.IsActived());
    SkypeSays("USERSTATUS ONLINE");
    EXPECT_TRUE(a.IsActived());
    EXPECT_EQ(1u, a.texts.size());  // offered as the active mode
}

TEST_F(ModeManagerTest, SaveKeepsTheFrameAndRestoreLcdPutsItBack) {
    Start();
    LCDFrame first{};
    first[5] = 0xAA;
    platform::SendMessage(engine->Handle(), Msg().requestDisplayLcd, 0,
                          reinterpret_cast<platform::LPARAM>(&first));
    Post(Msg().saveCurrentMode, 0, 0);
    LCDFrame second{};
    second[6] = 0x55;
    platform::SendMessage(engine->Handle(), Msg().requestDisplayLcd, 0,
                          reinterpret_cast<platform::LPARAM>(&second));
    engine->RestoreLCDData();
    EXPECT_EQ(first, engine->CurrentLCDFrame());
    EXPECT_EQ(first, links.hid.frames.back());
}

TEST_F(ModeManagerTest, LanguageChangesReachEveryMode) {
    Start();
    ScriptedMode& a = AddMode("a");
    ScriptedMode& b = AddMode("b");
    Post(Msg().langChange, 0x0411, 0);
    EXPECT_EQ(0x0411, a.m_langID);
    EXPECT_EQ(0x0411, b.m_langID);
    engine->SetLandID(0x0804);
    EXPECT_EQ(0x0804, b.m_langID);
}

}  // namespace
}  // namespace enginetest
