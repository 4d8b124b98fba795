// The voice messages of the simulated softphone: each story as the texts it gives, in order (what
// every link is notified, and what the asking link is answered); the tick timer only while one
// plays, on the manual clock; and a link asking at once finding every change complete.
#include "tools/phone-client-sim/VoicemailModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/loop/Clock.h"
#include "platform/loop/MessageLoop.h"
#include "tools/phone-client-sim/ConsoleCommands.h"
#include "tools/phone-client-sim/VoicemailCommands.h"
#include "tools/phone-client-sim/VoicemailTicker.h"

namespace phone_client_sim {
namespace {

using Texts = std::vector<std::string>;

// A model with its command face, and what one step gave: notifications as they are, answers to
// the asking link as "reply: ...", a command the handler does not take as "not taken", a refused
// event as "refused: why" ("unknown: why" for an unknown id).
struct Softphone {
    Texts seen;
    VoicemailModel model{[this](const std::string& text) { seen.push_back(text); }};
    VoicemailCommands commands{model};

    // "> COMMAND" a link's command, "tick" a second, "stop" the softphone's end, anything else a
    // console line of a voice-message event.
    Texts Play(const std::string& step) {
        seen.clear();
        if (step.starts_with("> ")) {
            Texts replies;
            if (!commands.Handle(step.substr(2), replies)) {
                seen.push_back("not taken");
            }
            for (const std::string& reply : replies) {
                seen.push_back("reply: " + reply);
            }
        } else if (step == "tick") {
            model.Tick();
        } else if (step == "stop") {
            model.StopPlaying();
        } else {
            const ConsoleCommand event = ParseConsoleCommand(step);
            EXPECT_EQ(ConsoleCommand::Kind::kVoicemailEvent, event.kind) << step;
            if (event.voicemailVerb == nullptr) {
                return seen;
            }
            const VoicemailResult result = event.voicemailVerb->play(model, event.voicemailEvent);
            if (result.kind == VoicemailResult::Kind::kUnknown) {
                seen.push_back("unknown: " + result.why);
            } else if (!result.Ok()) {
                seen.push_back("refused: " + result.why);
            }
        }
        return seen;
    }
};

struct Step {
    std::string what;
    Texts texts;
};

struct Story {
    std::string name;
    std::vector<Step> steps;
};

const Story kStories[] = {
    {"the list, newest first, and each message's properties",
     {
         {"> search voicemails", {"reply: VOICEMAILS "}},
         {"voicemail 7 30 1000 Alice  Smith ", {}},
         {"voicemail 8 20 3000 Bob", {}},
         {"voicemail 9 10 2000", {}},
         {"voicemail 10 5 3000 Carol", {}},  // the same second as 8, and later
         {"> SEARCH  VOICEMAILS", {"reply: VOICEMAILS 10, 8, 9, 7"}},
         {"> get voicemail 7 partner_dispname",
          {"reply: VOICEMAIL 7 PARTNER_DISPNAME Alice  Smith "}},
         {"> GET VOICEMAIL 9  PARTNER_DISPNAME", {"reply: VOICEMAIL 9 PARTNER_DISPNAME "}},
         {"> get voicemail 8 TIMESTAMP", {"reply: VOICEMAIL 8 TIMESTAMP 3000"}},
         {"> get\tvoicemail 8 status", {"reply: VOICEMAIL 8 STATUS UNPLAYED"}},
         {"voicemail-new 11 4 2500 Dan", {"VOICEMAIL 11 TYPE INCOMING"}},
         {"> search voicemails", {"reply: VOICEMAILS 10, 8, 11, 9, 7"}},
         {"> get voicemail 11 status", {"reply: VOICEMAIL 11 STATUS UNPLAYED"}},
     }},
    {"one plays to its end, one second a tick, and again when opened again",
     {
         {"voicemail 9 2 2000", {}},
         {"tick", {}},
         {"> open voicemail 9", {"VOICEMAIL 9 STATUS PLAYING"}},
         {"> Open Voicemail 9", {"reply: VOICEMAIL 9 STATUS PLAYING"}},
         {"tick", {}},
         {"> get voicemail 9 status", {"reply: VOICEMAIL 9 STATUS PLAYING"}},
         {"tick", {"VOICEMAIL 9 STATUS PLAYED"}},
         {"tick", {}},
         {"> get voicemail 9 status", {"reply: VOICEMAIL 9 STATUS PLAYED"}},
         {"> open voicemail 9", {"VOICEMAIL 9 STATUS PLAYING"}},
         {"tick", {}},
         {"tick", {"VOICEMAIL 9 STATUS PLAYED"}},
     }},
    {"closed while playing, another opened while one plays, and the softphone's end",
     {
         {"voicemail 7 30 1000 Alice", {}},
         {"voicemail 8 2 3000 Bob", {}},
         {"> Close voicemail 7", {"reply: VOICEMAIL 7 STATUS UNPLAYED"}},
         {"> open voicemail 7", {"VOICEMAIL 7 STATUS PLAYING"}},
         {"tick", {}},
         {"> Close voicemail 7", {"VOICEMAIL 7 STATUS PLAYED"}},
         {"> close voicemail 7", {"reply: VOICEMAIL 7 STATUS PLAYED"}},
         {"> open voicemail 7", {"VOICEMAIL 7 STATUS PLAYING"}},
         {"tick", {}},
         {"> open voicemail 8", {"VOICEMAIL 7 STATUS PLAYED", "VOICEMAIL 8 STATUS PLAYING"}},
         {"tick", {}},  // 8 counts its own seconds, from its opening
         {"tick", {"VOICEMAIL 8 STATUS PLAYED"}},
         {"> open voicemail 7", {"VOICEMAIL 7 STATUS PLAYING"}},
         {"stop", {"VOICEMAIL 7 STATUS PLAYED"}},
         {"stop", {}},
     }},
    {"deleted, playing or not: gone, and its id never used again",
     {
         {"voicemail 7 30 1000 Alice", {}},
         {"voicemail 8 30 3000 Bob", {}},
         {"> open voicemail 8", {"VOICEMAIL 8 STATUS PLAYING"}},
         {"voicemail-delete 8", {"VOICEMAIL 8 STATUS DELETING"}},
         {"tick", {}},
         {"voicemail-delete 7", {"VOICEMAIL 7 STATUS DELETING"}},
         {"> search voicemails", {"reply: VOICEMAILS "}},
         {"> get voicemail 7 status", {"reply: ERROR 82 Unknown voicemail"}},
         {"> open voicemail 7", {"reply: ERROR 82 Unknown voicemail"}},
         {"> close voicemail 8", {"reply: ERROR 82 Unknown voicemail"}},
         {"voicemail-delete 7", {"unknown: no voice message 7"}},
         {"voicemail-new 7 3 5",
          {"refused: voice message 7 was deleted: its id is not used again"}},
     }},
    {"malformed commands and unknown ids",
     {
         {"voicemail 7 30 1000 Alice", {}},
         {"voicemail-new 7 30 1000", {"refused: voice message 7 exists already"}},
         {"> get voicemail", {"reply: ERROR 81 Invalid voicemail id"}},
         {"> get voicemail 0 status", {"reply: ERROR 81 Invalid voicemail id"}},
         {"> get voicemail x status", {"reply: ERROR 81 Invalid voicemail id"}},
         {"> get voicemail 4294967296 status", {"reply: ERROR 81 Invalid voicemail id"}},
         {"> get voicemail 12 status", {"reply: ERROR 82 Unknown voicemail"}},
         {"> get voicemail 7", {"reply: ERROR 83 Invalid voicemail PROP"}},
         {"> get voicemail 7 duration", {"reply: ERROR 83 Invalid voicemail PROP"}},
         {"> get voicemail 7 status now", {"reply: ERROR 83 Invalid voicemail PROP"}},
         {"> open voicemail", {"reply: ERROR 81 Invalid voicemail id"}},
         {"> open voicemail 7 8", {"reply: ERROR 81 Invalid voicemail id"}},
         {"> close voicemail -7", {"reply: ERROR 81 Invalid voicemail id"}},
         {"> open voicemail 12", {"reply: ERROR 82 Unknown voicemail"}},
         {"> search voicemails now", {"not taken"}},
         {"> delete voicemail 7", {"not taken"}},
         {"> get call 7 status", {"not taken"}},
         {"> get voicemail 7 status", {"reply: VOICEMAIL 7 STATUS UNPLAYED"}},
     }},
};

TEST(VoicemailModelTest, EachStoryGivesItsTextsInOrder) {
    for (const Story& story : kStories) {
        SCOPED_TRACE(story.name);
        Softphone phone;
        for (const Step& step : story.steps) {
            EXPECT_EQ(step.texts, phone.Play(step.what)) << step.what;
        }
    }
}

TEST(VoicemailModelTest, SeedsNeedAnIdAndALength) {
    VoicemailModel model([](const std::string& text) { ADD_FAILURE() << text; });
    EXPECT_EQ(VoicemailResult::Kind::kImpossible, model.Add(0, 5, 1, "").kind);
    EXPECT_EQ("a voice message lasts a second at least", model.Arrive(7, 0, 1, "").why);
    EXPECT_TRUE(model.Voicemails().empty());
    ASSERT_TRUE(model.Add(7, 30, 1717171717, "Alice Smith").Ok());
    EXPECT_EQ("7 \"Alice Smith\" 30 s at 1717171717 UNPLAYED", Describe(model.Voicemails()[0]));
}

// A link that asks at once, as a mode may on a notification, sees the change whole: the deleted
// message reads DELETING while that text goes out, and the one opened PLAYING.
TEST(VoicemailModelTest, ANestedCommandFindsTheChangeComplete) {
    Texts texts;
    VoicemailCommands* face = nullptr;
    VoicemailModel model([&](const std::string& text) {
        texts.push_back(text);
        face->Handle(text.substr(0, text.rfind(" STATUS")).insert(0, "get ") + " status", texts);
    });
    VoicemailCommands commands(model);
    face = &commands;
    model.Add(7, 30, 1, "");
    model.Add(8, 30, 2, "");
    model.Open(7);
    model.Open(8);
    model.Delete(8);
    EXPECT_EQ((Texts{"VOICEMAIL 7 STATUS PLAYING", "VOICEMAIL 7 STATUS PLAYING",
                     "VOICEMAIL 7 STATUS PLAYED", "VOICEMAIL 7 STATUS PLAYED",
                     "VOICEMAIL 8 STATUS PLAYING", "VOICEMAIL 8 STATUS PLAYING",
                     "VOICEMAIL 8 STATUS DELETING", "VOICEMAIL 8 STATUS DELETING"}),
              texts);
    EXPECT_FALSE(model.Find(8));
}

// The ticker's timer runs only while a message plays: held messages cost no wake-up, and a
// message opened while another plays gets its full first second.
TEST(VoicemailModelTest, TheTickerRunsOnlyWhileAMessagePlays) {
    platform::ManualClock clock;
    platform::MessageLoop loop{clock};
    Texts seen;
    VoicemailModel model([&seen](const std::string& text) { seen.push_back(text); });
    VoicemailTicker ticker(loop, model);
    model.Add(7, 3, 1, "");
    model.Add(8, 2, 2, "");
    EXPECT_FALSE(loop.TimeUntilNextTimer());

    model.Open(7);
    loop.AdvanceBy(std::chrono::milliseconds(1500));
    model.Open(8);
    loop.AdvanceBy(std::chrono::milliseconds(999));
    EXPECT_EQ(0u, model.Find(8)->played);
    loop.AdvanceBy(std::chrono::milliseconds(1001));
    EXPECT_EQ((Texts{"VOICEMAIL 7 STATUS PLAYING", "VOICEMAIL 7 STATUS PLAYED",
                     "VOICEMAIL 8 STATUS PLAYING", "VOICEMAIL 8 STATUS PLAYED"}),
              seen);
    EXPECT_FALSE(loop.TimeUntilNextTimer());

    model.Open(7);
    EXPECT_TRUE(loop.TimeUntilNextTimer());
    model.Delete(7);
    EXPECT_FALSE(loop.TimeUntilNextTimer());
}

}  // namespace
}  // namespace phone_client_sim
