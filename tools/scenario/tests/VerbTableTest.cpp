// The real verb table: every verb once and playable, the documented lines parse, and every
// shipped script parses (a deliberately malformed one excepted) before any test runs it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "tools/scenario/ScriptParser.h"
#include "tools/scenario/Verbs.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = SCENARIO_SOURCE_DIR;

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

ParseResult ParseWithRealVerbs(std::string_view script) {
    const std::vector<Signature> verbs = AllSignatures();
    return ParseScript(script, verbs);
}

std::vector<fs::path> ScriptsIn(const fs::path& directory) {
    std::vector<fs::path> scripts;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
        if (entry.path().extension() == ".scn") {
            scripts.push_back(entry.path());
        }
    }
    return scripts;
}

TEST(ScenarioVerbTableTest, EveryVerbIsThereOnceAndCanBePlayed) {
    std::set<std::string_view> names;
    for (const Verb& verb : AllVerbs()) {
        EXPECT_TRUE(names.insert(verb.signature.name).second) << verb.signature.name;
        EXPECT_NE(nullptr, verb.play) << verb.signature.name;
        EXPECT_EQ(&verb, FindVerb(verb.signature.name));
    }
    EXPECT_EQ(nullptr, FindVerb("jump"));
    EXPECT_EQ(nullptr, FindVerb(""));
}

TEST(ScenarioVerbTableTest, TheDocumentedLinesParse) {
    const ParseResult result = ParseWithRealVerbs(
        "plug\n"
        "unplug\n"
        "attach\n"
        "attach 3\n"
        "say CONNSTATUS LOGGEDOUT\n"
        "logout\n"
        "press 7\n"
        "firmware 12345\n"
        "expect Set audio_out \n"
        "expect-no protocol 5 2000\n"
        "expect-hid 2 1\n"
        "expect-state handset offline, softphone not attached\n"
        "wait 100\n"
        "stop\n"
        "start-second larkspurd: another copy is already running for this user\n"
        "expect-lcd 1 Tel Incoming\n"
        "expect-lcd 3\n"
        "expect-lcd-highlight 1\n"
        "expect-lcd-highlight -\n"
        "snapshot title-screen\n"
        "call-in 12 alice Alice Smith\n"
        "call-in-pstn 13 +15551234\n"
        "call-out 14 carol Carol\n"
        "remote-answer 14\n"
        "remote-hold 14\n"
        "remote-resume 14\n"
        "remote-hangup 12\n"
        "remote-refuse 14\n"
        "remote-busy 14\n"
        "remote-fail 14 3\n"
        "expect-call 12 MISSED\n"
        "setting PhoneSet lang 2052\n"
        "setting KeyDef key30 36\n"
        "note Alice calls\n"
        "history 12 missed alice 1717171717 Alice Smith\n"
        "expect-seen 12\n"
        "voicemail 7 30 1717171717 Alice Smith\n"
        "voicemail-new 8 12 1717171800\n"
        "voicemail-delete 7\n"
        "expect-voicemail 8 PLAYING\n");
    ASSERT_FALSE(result.error) << result.error->line << ": " << result.error->message;
    EXPECT_EQ(40u, result.steps.size());
    EXPECT_EQ((std::vector<std::uint32_t>{7, 30, 1717171717}), result.steps[36].numbers);
    EXPECT_EQ("Alice Smith", result.steps[36].text);
    EXPECT_EQ("", result.steps[37].text);
    EXPECT_EQ("PLAYING", result.steps[39].word);
    EXPECT_EQ("missed", result.steps[34].word);
    EXPECT_EQ("alice", result.steps[34].secondWord);
    EXPECT_EQ((std::vector<std::uint32_t>{12, 1717171717}), result.steps[34].numbers);
    EXPECT_EQ("Alice Smith", result.steps[34].text);
    EXPECT_EQ("KeyDef", result.steps[32].word);
    EXPECT_EQ("key30", result.steps[32].secondWord);
    EXPECT_EQ("Alice Smith", result.steps[20].text);
    EXPECT_EQ("Set audio_out ", result.steps[8].text);
    // The arguments that must be bytes or bounded are refused at parse time, not while playing.
    const std::string longName = "snapshot " + std::string(252, 'x');
    for (const std::string line :
         {"press 256", "expect-hid 2 256", "firmware 123456", "attach 1000", "wait 600001",
          "stop now", "expect", "expect-lcd 4 Menu", "expect-lcd-highlight 4", "snapshot ../x",
          "call-in 0 alice", "call-out 14", "remote-fail 14", "remote-fail 14 0", "expect-call 12",
          "setting PhoneSet", "note", "history 12 in a x", longName.c_str()}) {
        EXPECT_TRUE(ParseWithRealVerbs(line).error) << line;
    }
    // A voice message lasts a second at least, and its numbers stay within their ranges.
    for (const char* line : {"voicemail 7 0 5", "voicemail 7 30", "voicemail-delete 0",
                             "voicemail-new 8 5 4294967296", "expect-voicemail 8"}) {
        EXPECT_TRUE(ParseWithRealVerbs(line).error) << line;
    }
    EXPECT_TRUE(ParseWithRealVerbs("expect-seen 0").error);  // ids are above 0
}

TEST(ScenarioVerbTableTest, EveryVerbIsDocumented) {
    const std::string doc = ReadFile(kSource / "docs" / "scenario.md");
    ASSERT_FALSE(doc.empty());
    for (const Verb& verb : AllVerbs()) {
        EXPECT_NE(std::string::npos, doc.find("| `" + std::string(verb.signature.name)))
            << verb.signature.name << " has no row in the table of docs/scenario.md";
    }
}

TEST(ScenarioVerbTableTest, EveryShippedScriptParses) {
    const fs::path scripts = kSource / "tests" / "scenarios";
    std::vector<fs::path> good = ScriptsIn(scripts);
    for (const char* directory : {"failing", "lcd", "calls", "sample"}) {
        const std::vector<fs::path> more = ScriptsIn(scripts / directory);
        good.insert(good.end(), more.begin(), more.end());
    }
    good.push_back(kSource / "scripts" / "demo.scn");
    ASSERT_GE(good.size(), 8u);
    for (const fs::path& script : good) {
        const ParseResult result = ParseWithRealVerbs(ReadFile(script));
        EXPECT_FALSE(result.error)
            << script << ":" << result.error->line << ": " << result.error->message;
        EXPECT_FALSE(result.steps.empty()) << script;
    }
    for (const fs::path& script : ScriptsIn(scripts / "malformed")) {
        EXPECT_TRUE(ParseWithRealVerbs(ReadFile(script)).error) << script;
    }
}

}  // namespace
}  // namespace scenario
