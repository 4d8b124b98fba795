// Loading the plug-ins named in [ModeList] from the current directory.
#include <gtest/gtest.h>

#include "engine/tests/EngineFixture.h"

namespace enginetest {
namespace {

// Runs the test from the start directory, as the program runs.
class PluginLoadingTest : public EngineFixture {
  protected:
    PluginLoadingTest() : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir.Path());
        std::filesystem::copy_file(TEST_PLUGIN_PATH, dir.Path() / "TestMode.so");
        std::filesystem::copy_file(NO_CREATE_PLUGIN_PATH, dir.Path() / "NoCreate.so");
    }
    ~PluginLoadingTest() override {
        if (engine) {
            platform::SendMessage(engine->Handle(), platform::WM_CLOSE, 0, 0);
        }
        std::filesystem::current_path(previous_);
    }

  private:
    std::filesystem::path previous_;
};

TEST_F(PluginLoadingTest, EntriesNamingDllsLoadTheSharedObjectsAndSkipWhatDoesNotLoad) {
    dir.Write("KestrelCFG.ini",
              "[PhoneSet]\nlang=1041\n"
              "[ModeList]\nMode0=Missing.dll\nMode1=NoCreate.dll\nMode2=TestMode.dll\n");
    Start();
    ASSERT_EQ(1u, engine->Modes().size());
    CEmluatorModeBase* mode = engine->Modes()[0];
    EXPECT_EQ(engine->Handle(), mode->GetEmuWnd());
    EXPECT_FALSE(mode->IsSkypeOnline());  // cleared after CreateMode
    EXPECT_TRUE(mode->IsHIDOnline());
    EXPECT_FALSE(mode->IsVisible());
    EXPECT_EQ(0x0411, mode->m_langID);
    EXPECT_EQ(6, mode->GetLCDByte(0));  // the start-up key reached it

    PressScan(3);
    EXPECT_TRUE(mode->IsActived());
    EXPECT_EQ(mode, engine->GetCurrentActivedMode());
    SkypeSays("CALL 7 STATUS ROUTING");
    EXPECT_EQ(21, mode->GetLCDByte(1));

    const platform::WindowHandle window = mode->Handle();
    engine->ReleaseModeDLLRes();
    EXPECT_TRUE(engine->Modes().empty());
    EXPECT_EQ(nullptr, engine->GetCurrentActivedMode());
    EXPECT_FALSE(platform::IsWindow(window));  // the plug-in was unloaded
}

TEST_F(PluginLoadingTest, TheListEndsAtTheFirstMissingEntry) {
    dir.Write("KestrelCFG.ini", "[ModeList]\nMode0=TestMode.so\nMode2=TestMode.so\n");
    Start();
    EXPECT_EQ(1u, engine->Modes().size());
}

TEST_F(PluginLoadingTest, AnEmptyListLoadsNothing) {
    dir.Write("KestrelCFG.ini", "[ModeList]\nMode0=\nMode1=TestMode.so\n");
    Start();
    EXPECT_TRUE(engine->Modes().empty());
}

TEST_F(PluginLoadingTest, LanguageZeroMeansTheSystemLanguage) {
    dir.Write("KestrelCFG.ini", "[ModeList]\nMode0=TestMode.so\n");
    setenv("LC_ALL", "zh_TW.UTF-8", 1);
    Start();
    unsetenv("LC_ALL");
    ASSERT_EQ(1u, engine->Modes().size());
    EXPECT_EQ(0x0404, engine->Modes()[0]->m_langID);
}

}  // namespace
}  // namespace enginetest
