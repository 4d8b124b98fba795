// The history on the handset: the frames the mode sends, read back with the handset simulator's
// own reading of the pixels; the keys by state; calling back; a long name scrolling.
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "LCD/Retrace/tests/RetraceModeFixture.h"
#include "tools/handset-sim/ScreenText.h"

namespace {

using std::chrono::milliseconds;
using Commands = std::vector<std::string>;

constexpr std::uint8_t kNoResponseFill = 0x11;

class RetraceScreenTest : public RetraceModeTest {
  public:
    RetraceScreenTest() {
        // Each icon its own pattern, so that the test sees which one is shown.
        const std::pair<const char*, std::uint8_t> icons[] = {
            {"calling.obj", 0x33}, {"no_response.obj", kNoResponseFill}, {"be_called.obj", 0x22}};
        std::filesystem::create_directories(directory_ / "logo");
        for (const auto& [name, fill] : icons) {
            std::ofstream(directory_ / "logo" / name, std::ios::binary)
                << std::string(32, static_cast<char>(fill));
        }
    }

    // A call of the history with every detail reported.
    void Known(const std::string& id, const std::string& type, const std::string& status,
               const std::string& name, const std::string& seen = "TRUE") {
        Say("CALL " + id + " PARTNER_HANDLE " + name + "\nCALL " + id + " PARTNER_DISPNAME " +
            name + "\nCALL " + id + " TYPE " + type + "\nCALL " + id + " STATUS " + status +
            "\nCALL " + id + " SEEN " + seen + "\nCALL " + id + " TIMESTAMP 1796803503");
    }
    handset_sim::ScreenText Shown() const { return handset_sim::ReadScreenText(engine.frame); }
    std::string Rows() const { return handset_sim::DescribeScreenText(Shown()); }
};

TEST_F(RetraceScreenTest, AMissedCallShownForTheFirstTimeIsMarkedSeen) {
    Say("CALLS 4");
    Known("4", "INCOMING_P2P", "MISSED", "alice", "FALSE");
    engine.TakeCommands();
    EXPECT_TRUE(mode.ProcessKey(111));
    EXPECT_TRUE(mode.IsActived());
    EXPECT_EQ("row 0 \"??1/1\", row 1 \" alice\", row 2 \" 2026-12-09\", row 3 \" 16:05:03\"",
              Rows());
    EXPECT_EQ(kNoResponseFill, engine.frame[0]);
    EXPECT_EQ(kNoResponseFill, engine.frame[128 + 15]);
    EXPECT_EQ((Commands{"set call 4 seen true", "SEARCH CALLS"}), engine.TakeCommands());
    mode.DrawHistoryScreen();
    EXPECT_EQ(Commands{}, engine.TakeCommands());  // once
    Pass(milliseconds(1000));
    EXPECT_EQ(0, engine.broadcasts.back().second);
}

TEST_F(RetraceScreenTest, AnEmptyCategorySaysSoInItsLanguage) {
    struct Case {
        std::uint8_t key;
        std::uint16_t langId;
        const char* text;
    };
    const Case cases[] = {
        {39, 0x0409, "    No Calls"},    {39, 0x0411, "    通話履歴無し"},
        {4, 0x0409, "No Dialled Call"},  {42, 0x0804, "  没有已接来电"},
        {111, 0x0404, "  沒有未接來電"}, {112, 0x0407, "No Received Call"},
    };
    for (const Case& c : cases) {
        mode.SetActived(false);
        mode.m_langID = c.langId;
        EXPECT_TRUE(mode.ProcessKey(c.key));
        const handset_sim::ScreenText text = Shown();
        EXPECT_EQ("  0/0", text.rows[0].text) << int(c.key);
        EXPECT_EQ(c.text, text.rows[2].text) << int(c.key);
        EXPECT_EQ(0, engine.frame[0]);  // no icon
    }
}

TEST_F(RetraceScreenTest, TheKeysStepThroughTheCallsCallBackAndGiveTheHandsetBack) {
    // Inactive: the navigation keys are taken and do nothing, others are not the mode's.
    EXPECT_TRUE(mode.ProcessKey(2));
    EXPECT_FALSE(mode.ProcessKey(7));
    EXPECT_FALSE(mode.ProcessKey(6));
    EXPECT_FALSE(mode.IsActived());
    EXPECT_EQ(0, engine.frames);
    EXPECT_EQ(Commands{}, engine.TakeCommands());

    Say("CALLS 1, 2, 3");
    Known("1", "OUTGOING_P2P", "FINISHED", "alice");
    Known("2", "INCOMING_P2P", "FINISHED", "bob");
    Known("3", "OUTGOING_PSTN", "CANCELLED", "+15550123");
    Say("CALL 3 PARTNER_DISPNAME ");  // no name: the number shows
    mode.ProcessKey(39);
    EXPECT_EQ("??1/3", Shown().rows[0].text);
    EXPECT_EQ(" alice", Shown().rows[1].text);
    const std::tuple<std::uint8_t, const char*, const char*> steps[] = {{2, "??3/3", " +15550123"},
                                                                        {2, "??2/3", " bob"},
                                                                        {5, "??3/3", " +15550123"},
                                                                        {5, "??1/3", " alice"},
                                                                        {7, "??1/3", " alice"}};
    for (const auto& [key, counter, name] : steps) {
        EXPECT_TRUE(mode.ProcessKey(key));
        EXPECT_EQ(counter, Shown().rows[0].text) << int(key);
        EXPECT_EQ(name, Shown().rows[1].text) << int(key);
    }
    engine.TakeCommands();
    EXPECT_TRUE(mode.ProcessKey(4));
    EXPECT_EQ(Commands{"call  alice"}, engine.TakeCommands());
    // The title countdown runs: the base class's title screen, the plug-in's text 301, comes
    // about 2.1 s later, unless the call the softphone starts takes the handset first.
    Pass(milliseconds(2000));
    EXPECT_EQ(" alice", Shown().rows[1].text);
    Pass(milliseconds(200));
    EXPECT_EQ("No Dialled Call", Shown().rows[1].text);

    // Key 6 goes back to the mode that had the handset.
    CEmluatorModeBase previous;
    mode.m_prevMode = &previous;
    EXPECT_TRUE(mode.ProcessKey(6));
    EXPECT_FALSE(mode.IsActived());
    EXPECT_TRUE(previous.IsActived());
    // Unplugging the handset deactivates the mode.
    mode.ProcessKey(39);
    mode.SetHIDOnline(false);
    EXPECT_FALSE(mode.IsActived());
}

TEST_F(RetraceScreenTest, ANameTooWideScrollsTwoCharactersASecond) {
    Say("CALLS 1");
    // The stored name keeps its leading blank: 15 characters, 16 with the terminator, fit.
    Known("1", "OUTGOING_P2P", "FINISHED", "abcdefghijklmn");
    mode.ProcessKey(39);
    EXPECT_EQ(-1, mode.m_nameScroll);
    EXPECT_EQ(" abcdefghijklmn", Shown().rows[1].text);

    Say("CALL 1 PARTNER_DISPNAME abcdefghijklmnopqrs");  // 20 characters with the blank
    mode.ProcessKey(5);
    std::vector<int> offsets{mode.m_nameScroll};
    for (int second = 0; second < 12; ++second) {
        Pass(milliseconds(1000));
        offsets.push_back(mode.m_nameScroll);
    }
    EXPECT_EQ((std::vector<int>{0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 0, 2}), offsets);
    EXPECT_EQ("bcdefghijklmnopq", Shown().rows[1].text);
}

}  // namespace
