// The call screens as the handset gets them: the frames the mode sends, read back with the
// handset simulator's own reading of the pixels, and the icons found where they belong.
#include <array>
#include <string>

#include "LCD/Call/tests/CallModeFixture.h"
#include "tools/handset-sim/ScreenText.h"

namespace {

using std::chrono::seconds;

// Each icon file of the call screens holds its own byte pattern, so a test sees which one is
// where.
struct Icon {
    const char* path;
    std::uint8_t fill;
};
constexpr Icon kIcons[] = {
    {"logo/call/hold.obj", 0x11},
    {"logo/call/normaltalk.obj", 0x22},
    {"logo/call/incoming.obj", 0x33},
    {"logo/call/outgoing.obj", 0x44},
    {"logo/call/confparticipant.obj", 0x55},
    {"logo/call/multicall.obj", 0x66},
    {"logo/turn_off_earphone.obj", 0x77},
};

class CallScreenTest : public CallModeTest {
  public:
    CallScreenTest() {
        for (const Icon& icon : kIcons) {
            const std::filesystem::path file = directory_ / icon.path;
            std::filesystem::create_directories(file.parent_path());
            std::ofstream(file, std::ios::binary) << std::string(32, static_cast<char>(icon.fill));
        }
        WriteSettings("mic=0\n");
        mode.SetActived(true);
    }

    void Add(const wchar_t* id, const wchar_t* name, int type, int state,
             std::optional<seconds> talking = std::nullopt, const wchar_t* conf = L"") {
        CallRecord call;
        call.CallID = id;
        call.Handle = name;
        call.DisplayName = name;
        call.CallType = type;
        call.CallState = state;
        call.ConfID = conf;
        if (talking) {
            call.StartTime = loop.Now() - *talking;
        }
        mode.m_calls.push_back(call);
        mode.m_curCall = static_cast<int>(mode.m_calls.size()) - 1;
    }

    handset_sim::ScreenText Drawn() {
        mode.DrawCallScreen();
        return handset_sim::ReadScreenText(engine.frame);
    }
    // The fill of the icon at `page`, `column`, or 0 where no whole icon is.
    int IconAt(int page, int column) const {
        const std::uint8_t first = engine.frame[static_cast<std::size_t>(128 * page + column)];
        for (int half = 0; half < 2; ++half) {
            for (int x = 0; x < 16; ++x) {
                if (engine.frame[static_cast<std::size_t>(128 * (page + half) + column + x)] !=
                    first) {
                    return 0;
                }
            }
        }
        return first;
    }
};

TEST_F(CallScreenTest, OneCallShowsItsNameStateTimeAndIcon) {
    struct Case {
        const char* what;
        int type;
        int state;
        std::optional<seconds> talking;
        const char* stateRow;
        const char* timeRow;
        int icon;
    };
    const Case cases[] = {
        {"75 seconds of talk", CT_INCOMING_P2P, CS_NORMALTALK, seconds(75), "In Progress...",
         "  01:15", 0x22},
        {"an hour of talk", CT_INCOMING_P2P, CS_NORMALTALK, seconds(3600), "In Progress...",
         "  1:00:00", 0x22},
        {"ringing, incoming", CT_INCOMING_P2P, CS_RINGING, std::nullopt, "Ringing...", "", 0x33},
        {"on hold, outgoing", CT_OUTGOING_P2P, CS_LOCALHOLD, seconds(42), "Call on hold", "  00:42",
         0x11},
        {"routing, outgoing", CT_OUTGOING_PSTN, CS_ROUTING, std::nullopt, "Connecting...", "",
         0x44},
    };
    for (const Case& c : cases) {
        mode.m_calls.clear();
        Add(L"5", L"Alice", c.type, c.state, c.talking);
        const handset_sim::ScreenText text = Drawn();
        EXPECT_EQ("Alice", text.rows[1].text) << c.what;
        EXPECT_EQ(c.stateRow, text.rows[2].text) << c.what;
        EXPECT_EQ(c.timeRow, text.rows[3].text) << c.what;
        EXPECT_TRUE(text.HighlightIs(std::nullopt)) << c.what;
        EXPECT_EQ(c.icon, IconAt(0, 0)) << c.what;
        EXPECT_EQ(0, IconAt(0, 16)) << c.what;  // not muted
    }
    WriteSettings("mic=1\n");
    mode.m_handsFree = 1;
    Drawn();
    EXPECT_EQ(0x77, IconAt(0, 16));
}

TEST_F(CallScreenTest, SeveralCallsShowTwoRowsAroundTheSelection) {
    Add(L"1", L"Alice", CT_INCOMING_P2P, CS_ONHOLD, seconds(10));
    Add(L"2", L"Bob", CT_OUTGOING_P2P, CS_NORMALTALK, seconds(5));
    Add(L"3", L"Carol", CT_INCOMING_PSTN, CS_RINGING);
    handset_sim::ScreenText text = Drawn();  // the last one selected
    // The state icons cover the rows' indents.
    EXPECT_EQ("??Bob", text.rows[1].text);
    EXPECT_EQ("??Carol", text.rows[2].text);
    EXPECT_TRUE(text.HighlightIs(2));
    EXPECT_EQ("Ringing...", text.rows[3].text);
    EXPECT_EQ(0x66, IconAt(0, 0));
    EXPECT_EQ(0x22, IconAt(2, 0));
    EXPECT_EQ(0x33, IconAt(4, 0));

    mode.m_curCall = 1;
    text = Drawn();
    EXPECT_TRUE(text.HighlightIs(1));
    EXPECT_EQ("  00:05", text.rows[3].text);

    // A conference participant: indented, its icon and its state's icon, no third row.
    CallRecord participant;
    participant.Handle = L"dave";
    participant.DisplayName = L"Dave";
    participant.CallState = CS_NORMALTALK;
    participant.ConfID = L"2";
    mode.m_calls.push_back(participant);
    mode.m_curCall = 3;
    text = Drawn();
    EXPECT_EQ("????Dave", text.rows[2].text);
    EXPECT_TRUE(text.HighlightIs(2));
    EXPECT_EQ("", text.rows[3].text);
    EXPECT_EQ(0x55, IconAt(4, 0));
    EXPECT_EQ(0x22, IconAt(4, 16));
}

TEST_F(CallScreenTest, LongNamesScrollAndEndScreensSayHowTheCallEnded) {
    Add(L"1", L"abcdefghijklmnop", CT_INCOMING_P2P, CS_RINGING);  // 16 cells, 17 bytes
    Drawn();
    EXPECT_EQ(0, mode.m_nameScroll);
    mode.m_calls[0].DisplayName = L"abcdefghijklmno";
    mode.m_nameScroll = 4;
    Drawn();
    EXPECT_EQ(-1, mode.m_nameScroll);

    struct Case {
        int kind;
        const wchar_t* reason;
        const char* text;
    };
    const Case cases[] = {
        {CCallMode::kEndFailed, L"9", "Call blocked by"},  // the 16 characters a row shows
        {CCallMode::kEndFailed, L"13", "User not online"},
        {CCallMode::kEndFailed, L"", "User not online"},
        {CCallMode::kEndRefused, L"", "User Busy"},
        {CCallMode::kEndMissedIncoming, L"", "No Answer"},
        {CCallMode::kEndFinished, L"", "Finished"},
    };
    for (const Case& c : cases) {
        mode.m_endKind = c.kind;
        mode.m_failReason = c.reason;
        mode.m_endName = L"Bob";
        const handset_sim::ScreenText text = Drawn();
        EXPECT_EQ("Bob", text.rows[1].text);
        EXPECT_EQ(c.text, text.rows[2].text) << c.kind;
        EXPECT_EQ(0, IconAt(0, 0));
    }
}

TEST_F(CallScreenTest, TheLanguageChoosesTheTexts) {
    const std::pair<std::uint16_t, const char*> cases[] = {
        {0x0411, "リング中..."}, {0x0404, "響鈴中..."},  {0x0804, "响铃中..."},
        {0x0407, "Ringing..."},  {0x0409, "Ringing..."},
    };
    Add(L"1", L"Alice", CT_INCOMING_P2P, CS_RINGING);
    for (const auto& [langId, expected] : cases) {
        mode.m_langID = langId;
        EXPECT_EQ(expected, Drawn().rows[2].text) << std::hex << langId;
    }
}

}  // namespace
