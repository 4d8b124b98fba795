// The voice messages: the list from the softphone's texts, the paced detail queries, the screen
// read back with the handset simulator's own reading of the pixels, and the keys by state.
#include <string>
#include <vector>

#include "LCD/Echobox/CEchoboxMode.h"
#include "LCD/Echobox/EchoboxStrings.h"
#include "modebase/tests/ModeTestFixture.h"
#include "tools/handset-sim/ScreenText.h"

namespace {

using std::chrono::milliseconds;
using Commands = std::vector<std::string>;
using Answers = std::vector<bool>;

class EchoboxModeTest : public ModeTest<CEchoboxMode> {
  public:
    EchoboxModeTest() : ModeTest(kEchoboxStrings, "echobox") {}

    std::string Rows() const {
        return handset_sim::DescribeScreenText(handset_sim::ReadScreenText(engine.frame));
    }
    std::string Ids() const {
        std::string ids;
        for (const VoiceMessageEntry& entry : mode.m_messages) {
            ids += ids.empty() ? "" : " ";
            ids += platform::ToUtf8(entry.id);
        }
        return ids;
    }
    static Commands Queries(const std::string& id) {
        return {"get voicemail " + id + " PARTNER_DISPNAME", "get voicemail " + id + " TIMESTAMP",
                "get voicemail " + id + " status"};
    }
    platform::LPARAM LastUnplayedCount() const {
        EXPECT_FALSE(engine.broadcasts.empty());
        EXPECT_EQ(RegisteredMessages::Get().hasUnplayedVm, engine.broadcasts.back().first);
        return engine.broadcasts.empty() ? -1 : engine.broadcasts.back().second;
    }
};

TEST_F(EchoboxModeTest, TheListComesWithItsDetailsAskedOneMessageAtATime) {
    EXPECT_EQ(Commands{"search voicemails"}, engine.TakeCommands());
    EXPECT_EQ(Answers{true}, Say("VOICEMAILS 4, 9"));
    EXPECT_EQ("4 9", Ids());
    Pass(milliseconds(10));
    EXPECT_EQ(Queries("4"), engine.TakeCommands());
    // Unanswered, 4 is asked again, less and less often.
    Pass(milliseconds(70));
    EXPECT_EQ(3u * 3u, engine.TakeCommands().size());  // at 20, 40 and 80 ms
    // An empty name is an answer: the next message's turn comes at once.
    EXPECT_EQ((Answers{true, true, true}),
              Say("VOICEMAIL 4 PARTNER_DISPNAME \nVOICEMAIL 4 STATUS UNPLAYED\n"
                  "VOICEMAIL 4 TIMESTAMP 1796803503"));
    Pass(milliseconds(10));
    EXPECT_EQ(Queries("9"), engine.TakeCommands());
    Say("VOICEMAIL 9 PARTNER_DISPNAME Ann\nVOICEMAIL 9 STATUS UNPLAYED");
    Pass(milliseconds(10));
    EXPECT_EQ(-1, mode.m_detailTimer);
    EXPECT_EQ(2, LastUnplayedCount());

    // A client that never answers: each message is asked a bounded number of times, then the
    // timer stops.
    Say("VOICEMAILS 5, 6");
    Pass(milliseconds(60000));
    const Commands asked = engine.TakeCommands();
    EXPECT_EQ(2u * 3u * CEchoboxMode::kMaxDetailQueries, asked.size());
    EXPECT_EQ(-1, mode.m_detailTimer);
    Pass(milliseconds(10000));
    EXPECT_EQ(Commands{}, engine.TakeCommands());
}

TEST_F(EchoboxModeTest, NotificationsAboutOneMessageChangeItOrAnnounceANewOne) {
    Say("VOICEMAILS 4, 9");
    struct Case {
        std::string text;
        bool answer;
        std::string ids;
        int status4;  // -2: 4 is gone
    };
    const Case cases[] = {
        {"VOICEMAIL 4 STATUS PLAYED", true, "4 9", VM_PLAYED},
        {"VOICEMAIL 4 STATUS UNPLAYED", true, "4 9", VM_UNPLAYED},
        {"VOICEMAIL 4 STATUS PLAYING", true, "4 9", VM_PLAYING},
        {"VOICEMAIL 4 STATUS BUFFERING", true, "4 9", VM_PLAYED},
        {"VOICEMAIL 12 STATUS PLAYED", false, "4 9", VM_PLAYED},  // not known
        {"VOICEMAIL 12 TYPE INCOMING", false, "12 4 9", VM_PLAYED},
        {"VOICEMAIL 12 TYPE INCOMING", false, "12 4 9", VM_PLAYED},
        {"VOICEMAIL 4", false, "12 4 9", VM_PLAYED},  // no blank after the id
        {"VOICEMAIL 4 DURATION 20", false, "12 4 9", VM_PLAYED},
        {"VOICEMAILS", false, "12 4 9", VM_PLAYED},
        {"VOICEMAIL 4 STATUS DELETING", true, "12 9", -2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Answers{c.answer}, Say(c.text)) << c.text;
        EXPECT_EQ(c.ids, Ids()) << c.text;
        const int found = mode.FindMessage(L"4");
        EXPECT_EQ(c.status4, found == -1 ? -2 : mode.m_messages[found].status) << c.text;
    }
    EXPECT_EQ(0, LastUnplayedCount());
    mode.SetSkypeOnline(false);
    EXPECT_EQ("", Ids());
}

TEST_F(EchoboxModeTest, TheScreenShowsOneMessageInTheUsersLanguage) {
    Say("VOICEMAILS 4, 9, 11");
    Say("VOICEMAIL 9 PARTNER_DISPNAME Ann Lee\nVOICEMAIL 9 TIMESTAMP 1796803503\n"
        "VOICEMAIL 9 STATUS UNPLAYED");
    EXPECT_TRUE(mode.ProcessKey(40));
    mode.m_cursor = 1;
    struct Case {
        std::uint16_t langId;
        const char* rows;
    };
    const Case cases[] = {
        {0x0409,
         "row 0 \" Voice Mail  2/3\", row 1 \"From：Ann Lee\", row 2 \" 12/9 16:5:3\", row 3 "
         "\"Status：UnPlayed\""},
        {0x0804,
         "row 0 \" 语音邮件  2/3\", row 1 \"来自：Ann Lee\", row 2 \" 12/9 16:5:3\", row 3 "
         "\"状态：未播放\""},
        {0x0411,
         // The Japanese title fills the row: the counter falls past its end.
         "row 0 \"ボイスメッセージ\", row 1 \"より: Ann Lee\", row 2 \" 12/9 16:5:3\", row 3 "
         "\"状態: 未放送\""},
    };
    for (const Case& c : cases) {
        mode.m_langID = c.langId;
        mode.DrawMailboxScreen();
        EXPECT_EQ(c.rows, Rows()) << std::hex << c.langId;
    }
    // A message whose time and status have not come: a blank date row, no status.
    mode.m_langID = 0x0409;
    mode.m_cursor = 0;
    mode.DrawMailboxScreen();
    EXPECT_EQ("row 0 \" Voice Mail  1/3\", row 1 \"From：\", row 2 \"\", row 3 \"Status：\"",
              Rows());

    // The empty list.
    mode.SetSkypeOnline(false);
    mode.DrawMailboxScreen();
    EXPECT_EQ("row 0 \" Voice Mail\", row 1 \"\", row 2 \" No Voice Mail\", row 3 \"\"", Rows());
    mode.m_langID = 0x0411;
    mode.DrawMailboxScreen();
    EXPECT_EQ("      無し", handset_sim::ReadScreenText(engine.frame).rows[3].text);
}

TEST_F(EchoboxModeTest, TheKeysPlayStopMoveAndGiveTheHandsetBack) {
    Say("VOICEMAILS 4, 9, 11");
    engine.TakeCommands();
    // Inactive: only key 40 is the mode's.
    for (const std::uint8_t key : {2, 4, 5, 6, 7}) {
        EXPECT_FALSE(mode.ProcessKey(key)) << int(key);
    }
    EXPECT_FALSE(mode.IsActived());
    EXPECT_TRUE(mode.ProcessKey(40));
    EXPECT_TRUE(mode.IsActived());
    mode.m_cursor = 1;
    struct Case {
        std::uint8_t key;
        bool taken;
        Commands sent;
        int cursor;
    };
    const Case cases[] = {
        {5, true, {"Close voicemail 9"}, 2},
        {5, true, {"Close voicemail 11"}, 0},
        {2, true, {"Close voicemail 4"}, 2},
        {4, true, {"open voicemail 11"}, 2},
        {40, true, {}, 2},
        {7, false, {}, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.taken, mode.ProcessKey(c.key)) << int(c.key);
        EXPECT_EQ(c.sent, engine.TakeCommands()) << int(c.key);
        EXPECT_EQ(c.cursor, mode.m_cursor) << int(c.key);
    }
    // Key 6 stops the one that plays and stays; a second key 6 goes back.
    CEmluatorModeBase previous;
    mode.m_prevMode = &previous;
    Say("VOICEMAIL 11 STATUS PLAYING");
    EXPECT_TRUE(mode.ProcessKey(6));
    EXPECT_EQ(Commands{"Close voicemail 11"}, engine.TakeCommands());
    EXPECT_TRUE(mode.IsActived());
    Say("VOICEMAIL 11 STATUS PLAYED");
    EXPECT_TRUE(mode.ProcessKey(6));
    EXPECT_EQ(Commands{}, engine.TakeCommands());
    EXPECT_FALSE(mode.IsActived());
    EXPECT_TRUE(previous.IsActived());
    // Unplugging does not take the handset from the mode.
    mode.SetActived(true);
    mode.SetHIDOnline(false);
    EXPECT_TRUE(mode.IsActived());
}

}  // namespace
