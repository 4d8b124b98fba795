// The script parser: what well-formed lines become, and one refusal per kind of malformed line.
#include "tools/scenario/ScriptParser.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

namespace scenario {
namespace {

using Numbers = std::vector<std::uint32_t>;

// One verb of every shape, so that these tests do not depend on the real verb table.
const Signature kVerbs[] = {
    {"plug", ArgumentShape::None},
    {"attach", ArgumentShape::OptionalNumber, {0, 999}},
    {"press", ArgumentShape::Number, {0, 255}},
    {"expect-hid", ArgumentShape::TwoNumbers, {0, 255}, {0, 255}},
    {"say", ArgumentShape::Text},
    {"firmware", ArgumentShape::Text, {}, {}, 5},
    {"expect-no", ArgumentShape::TextAndNumber, {0, 600000}},
    {"expect-lcd", ArgumentShape::NumberAndOptionalText, {0, 3}},
    {"expect-lcd-highlight", ArgumentShape::NumberOrDash, {0, 3}},
    {"snapshot", ArgumentShape::FileName, {}, {}, 20},
    {"call-in", ArgumentShape::NumberWordAndOptionalText, {1, 4294967295}},
    {"expect-call", ArgumentShape::NumberAndWord, {1, 4294967295}},
    {"setting", ArgumentShape::TwoWordsAndOptionalText},
    {"history",
     ArgumentShape::NumberTwoWordsNumberAndOptionalText,
     {1, 4294967295},
     {0, 4294967295}},
    // Three ranges of their own, so that each number is seen checked against its own.
    {"voicemail",
     ArgumentShape::ThreeNumbersAndOptionalText,
     {1, 4294967295},
     {1, 86400},
     0,
     {0, 4294967295}},
};

ParseResult Parse(std::string_view script) {
    return ParseScript(script, kVerbs);
}

// The error for `line` placed third in a script whose other lines are fine.
ParseError ErrorOf(const std::string& line) {
    const ParseResult result = Parse("plug\n# fine\n" + line + "\nplug\n");
    EXPECT_TRUE(result.error) << line;
    EXPECT_TRUE(result.steps.empty()) << line;
    const ParseError error = result.error.value_or(ParseError{});
    EXPECT_EQ(3u, error.line) << line;
    return error;
}

TEST(ScenarioParserTest, EveryShapeOfLineBecomesItsStep) {
    const ParseResult result = Parse(
        "# a comment\n"
        "\n"
        "plug\n"
        "   \t\n"
        "  # an indented comment\n"
        "attach\n"
        "attach 2\n"
        "press 255\n"
        "expect-hid 12 0\n"
        "say CALL 12 STATUS RINGING\n"
        "expect-no Set ringer  500\n"
        "  press   7  \n"
        "firmware 12345");  // the last line needs no line feed
    ASSERT_FALSE(result.error) << result.error->message;
    ASSERT_EQ(9u, result.steps.size());
    const std::vector<Step>& s = result.steps;

    EXPECT_EQ(3u, s[0].line);
    EXPECT_EQ("plug", s[0].verb);
    EXPECT_TRUE(s[0].numbers.empty());
    EXPECT_EQ(6u, s[1].line);
    EXPECT_EQ(Numbers{0}, s[1].numbers);  // attach's default
    EXPECT_EQ(Numbers{2}, s[2].numbers);
    EXPECT_EQ(Numbers{255}, s[3].numbers);
    EXPECT_EQ((Numbers{12, 0}), s[4].numbers);
    EXPECT_EQ("say", s[5].verb);
    EXPECT_EQ("CALL 12 STATUS RINGING", s[5].text);
    EXPECT_EQ("say CALL 12 STATUS RINGING", s[5].source);
    // The number ends the line; the text keeps its own trailing blank.
    EXPECT_EQ("Set ringer ", s[6].text);
    EXPECT_EQ(Numbers{500}, s[6].numbers);
    // Blanks around numbers do not matter.
    EXPECT_EQ(12u, s[7].line);
    EXPECT_EQ("press", s[7].verb);
    EXPECT_EQ(Numbers{7}, s[7].numbers);
    EXPECT_EQ("  press   7  ", s[7].source);
    EXPECT_EQ(13u, s[8].line);
    EXPECT_EQ("12345", s[8].text);
}

TEST(ScenarioParserTest, ATextIsEverythingAfterTheOneSeparatingSpace) {
    const ParseResult result = Parse(
        "say  two leading, three trailing   \n"
        "say #not a comment\n"
        "expect-no  a  b 0\n"
        "say Set audio_out \r\n");
    ASSERT_FALSE(result.error) << result.error->message;
    ASSERT_EQ(4u, result.steps.size());
    EXPECT_EQ(" two leading, three trailing   ", result.steps[0].text);
    EXPECT_EQ("#not a comment", result.steps[1].text);
    EXPECT_EQ(" a  b", result.steps[2].text);
    // "\r\n" ends a line like "\n": the blank before it stays part of the text.
    EXPECT_EQ("Set audio_out ", result.steps[3].text);
}

TEST(ScenarioParserTest, EmptyScriptsHaveNoSteps) {
    for (const char* script : {"", "\n\n", "# only\n# comments", "  \r\n"}) {
        const ParseResult result = Parse(script);
        EXPECT_FALSE(result.error) << script;
        EXPECT_TRUE(result.steps.empty()) << script;
    }
}

TEST(ScenarioParserTest, UnknownVerbsAreNamed) {
    EXPECT_EQ("unknown verb \"jump\"", ErrorOf("jump 3").message);
    EXPECT_EQ("unknown verb \"Plug\"", ErrorOf("Plug").message);  // names are exact
    EXPECT_EQ("unknown verb \"jump\"", ErrorOf("jump\t3").message);
    EXPECT_EQ("unknown verb \"" + std::string(40, 'v') + "...\"",
              ErrorOf(std::string(100, 'v')).message);  // a long name is shown cut
    // A tab does not separate a text: only one space does.
    EXPECT_EQ("say needs a text after one space", ErrorOf("say\tx").message);
}

TEST(ScenarioParserTest, MissingOrExtraArgumentsAreRefused) {
    EXPECT_EQ("plug takes no argument", ErrorOf("plug now").message);
    EXPECT_EQ("press needs a number from 0 to 255", ErrorOf("press").message);
    EXPECT_EQ("press needs a number from 0 to 255", ErrorOf("press 1 2").message);
    EXPECT_EQ("expect-hid needs two numbers: a number from 0 to 255 and a number from 0 to 255",
              ErrorOf("expect-hid 2").message);
    EXPECT_EQ("attach needs a number from 0 to 999", ErrorOf("attach 1 2").message);
    EXPECT_EQ("say needs a text after one space", ErrorOf("say").message);
    EXPECT_EQ("say needs a text after one space", ErrorOf("say ").message);
    EXPECT_EQ("expect-no needs a text, one space and a number from 0 to 600000",
              ErrorOf("expect-no").message);
    EXPECT_EQ("expect-no needs a text, one space and a number from 0 to 600000",
              ErrorOf("expect-no 500").message);
    EXPECT_EQ("expect-no needs a text, one space and a number from 0 to 600000",
              ErrorOf("expect-no  500").message);
}

TEST(ScenarioParserTest, NumbersMustBeDecimalAndInRange) {
    EXPECT_EQ("press: \"x\" is not a number from 0 to 255", ErrorOf("press x").message);
    EXPECT_EQ("press: \"256\" is not a number from 0 to 255", ErrorOf("press 256").message);
    EXPECT_EQ("press: \"-1\" is not a number from 0 to 255", ErrorOf("press -1").message);
    EXPECT_EQ("press: \"+1\" is not a number from 0 to 255", ErrorOf("press +1").message);
    EXPECT_EQ("press: \"7x\" is not a number from 0 to 255", ErrorOf("press 7x").message);
    EXPECT_EQ("press: \"0x10\" is not a number from 0 to 255", ErrorOf("press 0x10").message);
    EXPECT_EQ("attach: \"99999999999999999999\" is not a number from 0 to 999",
              ErrorOf("attach 99999999999999999999").message);
    EXPECT_EQ("expect-hid: \"b\" is not a number from 0 to 255", ErrorOf("expect-hid 2 b").message);
    EXPECT_EQ("expect-no: \"soon\" at the end is not a number from 0 to 600000",
              ErrorOf("expect-no protocol 5 soon").message);
    EXPECT_EQ("expect-no: \"600001\" at the end is not a number from 0 to 600000",
              ErrorOf("expect-no protocol 5 600001").message);
}

TEST(ScenarioParserTest, TextLimitsAreChecked) {
    EXPECT_EQ("firmware takes at most 5 characters, not 6", ErrorOf("firmware 123456").message);
    EXPECT_FALSE(Parse("firmware 1").error);
}

// A line alone in a script, and the one error it gives or the step it becomes.
struct LineCase {
    std::string line;
    std::string error;  // empty: the line is fine
    Numbers numbers{};
    std::string text{};
    std::string word{};
    std::string secondWord{};
};

void ExpectLines(std::span<const LineCase> cases) {
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.line);
        if (!c.error.empty()) {
            EXPECT_EQ(c.error, ErrorOf(c.line).message);
            continue;
        }
        const ParseResult result = Parse(c.line);
        ASSERT_FALSE(result.error) << result.error->message;
        ASSERT_EQ(1u, result.steps.size());
        EXPECT_EQ(c.numbers, result.steps[0].numbers);
        EXPECT_EQ(c.text, result.steps[0].text);
        EXPECT_EQ(c.word, result.steps[0].word);
        EXPECT_EQ(c.secondWord, result.steps[0].secondWord);
    }
}

TEST(ScenarioParserTest, LcdLinesTakeARowAndATextOrNoneADashOrAPlainFileName) {
    const std::string notPlain =
        " is not a plain file name (no '/', no control character, not "
        "starting with '.')";
    const LineCase cases[] = {
        {"expect-lcd 0 Quillon", "", {0}, "Quillon"},
        {"expect-lcd 3  two  blanks ", "", {3}, " two  blanks "},
        {"expect-lcd 0 \xE9\x80\x9A\xE8\xAF\x9D", "", {0}, "\xE9\x80\x9A\xE8\xAF\x9D"},
        // No text, or blanks only: the row is blank.
        {"expect-lcd 1", "", {1}, ""},
        {"expect-lcd  2  \t", "", {2}, ""},
        {"expect-lcd-highlight 3", "", {3}},
        {"expect-lcd-highlight  -  ", "", {}},
        {"snapshot title-screen", "", {}, "title-screen"},
        {"snapshot  call.2_B ", "", {}, "call.2_B"},
        {"expect-lcd", "expect-lcd needs a number from 0 to 3, then a text after one space"},
        {"expect-lcd Menu", "expect-lcd: \"Menu\" is not a number from 0 to 3"},
        {"expect-lcd 4 Menu", "expect-lcd: \"4\" is not a number from 0 to 3"},
        {"expect-lcd 1\tMenu", "expect-lcd needs one space between the number and the text"},
        {"expect-lcd-highlight", "expect-lcd-highlight needs a number from 0 to 3 or -"},
        {"expect-lcd-highlight 1 2", "expect-lcd-highlight needs a number from 0 to 3 or -"},
        {"expect-lcd-highlight 4", "expect-lcd-highlight: \"4\" is not a number from 0 to 3 or -"},
        {"expect-lcd-highlight -1",
         "expect-lcd-highlight: \"-1\" is not a number from 0 to 3 or -"},
        {"snapshot", "snapshot needs a file name: one word"},
        {"snapshot two words", "snapshot needs a file name: one word"},
        {"snapshot ../up", "snapshot: \"../up\"" + notPlain},
        {"snapshot a/b", "snapshot: \"a/b\"" + notPlain},
        {"snapshot .hidden", "snapshot: \".hidden\"" + notPlain},
        {"snapshot a\x1b"
         "b",
         "snapshot: \"a\x1b"
         "b\"" +
             notPlain},
        {"snapshot " + std::string(21, 'x'), "snapshot takes at most 20 characters, not 21"},
    };
    ExpectLines(cases);
}

TEST(ScenarioParserTest, CallLinesTakeAnIdAWordAndTheRestOfTheLineAsTheName) {
    const std::string callInUsage =
        "call-in needs a number from 1 to 4294967295, a word, then a text after one space";
    const std::string expectCallUsage =
        "expect-call needs a number from 1 to 4294967295 and a word";
    const LineCase cases[] = {
        {"call-in 12 alice Alice Smith", "", {12}, "Alice Smith", "alice"},
        {"call-in 12 alice  two  blanks ", "", {12}, " two  blanks ", "alice"},
        {"call-in 4294967295 +4412345 Ann", "", {4294967295}, "Ann", "+4412345"},
        // No name, or blanks only: an empty display name.
        {"call-in 12 alice", "", {12}, "", "alice"},
        {"call-in  12\talice \t", "", {12}, "", "alice"},
        {"expect-call 12 RINGING", "", {12}, "", "RINGING"},
        {"expect-call  7  missed  ", "", {7}, "", "missed"},
        {"call-in", callInUsage},
        {"call-in 12", callInUsage},
        {"call-in 12   ", callInUsage},
        {"call-in x alice", "call-in: \"x\" is not a number from 1 to 4294967295"},
        {"call-in 0 alice", "call-in: \"0\" is not a number from 1 to 4294967295"},
        {"call-in 4294967296 alice",
         "call-in: \"4294967296\" is not a number from 1 to 4294967295"},
        {"call-in 12 alice\tAlice", "call-in needs one space between the word and the text"},
        {"expect-call 12", expectCallUsage},
        {"expect-call 12 RINGING now", expectCallUsage},
        {"expect-call RINGING 12", "expect-call: \"RINGING\" is not a number from 1 to 4294967295"},
    };
    ExpectLines(cases);
}

TEST(ScenarioParserTest, HistoryLinesTakeAnIdTwoWordsATimestampAndTheRestOfTheLineAsTheName) {
    const std::string usage =
        "history needs a number from 1 to 4294967295, two words, a number from 0 to 4294967295, "
        "then a text after one space";
    const LineCase cases[] = {
        {"history 12 missed alice 1717171717 Alice Smith",
         "",
         {12, 1717171717},
         "Alice Smith",
         "missed",
         "alice"},
        {"history\t9  in \t+4412  0  two  blanks ", "", {9, 0}, " two  blanks ", "in", "+4412"},
        {"history 9 out bob 4294967295", "", {9, 4294967295}, "", "out", "bob"},
        {"history 9 out bob 5 \t", "", {9, 5}, "", "out", "bob"},
        {"history", usage},
        {"history 9", usage},
        {"history 9 in", usage},
        {"history 9 in bob", usage},
        {"history 9 in bob  ", usage},
        {"history 0 in bob 5", "history: \"0\" is not a number from 1 to 4294967295"},
        {"history 9 in bob soon", "history: \"soon\" is not a number from 0 to 4294967295"},
        {"history 9 in bob -5", "history: \"-5\" is not a number from 0 to 4294967295"},
        {"history 9 in bob 4294967296",
         "history: \"4294967296\" is not a number from 0 to 4294967295"},
        {"history 9 in bob 5\tBob",
         "history needs one space between the second number and the text"},
    };
    ExpectLines(cases);
}

TEST(ScenarioParserTest, VoicemailLinesTakeThreeNumbersAndTheRestOfTheLineAsTheName) {
    const std::string usage =
        "voicemail needs a number from 1 to 4294967295, a number from 1 to 86400, a number from 0 "
        "to 4294967295, then a text after one space";
    const LineCase cases[] = {
        {"voicemail 7 30 1717171717 Alice Smith", "", {7, 30, 1717171717}, "Alice Smith"},
        {"voicemail\t7  86400 \t0  two  blanks ", "", {7, 86400, 0}, " two  blanks "},
        {"voicemail 4294967295 1 4294967295", "", {4294967295, 1, 4294967295}, ""},
        {"voicemail 7 30 5 \t", "", {7, 30, 5}, ""},
        {"voicemail", usage},
        {"voicemail 7", usage},
        {"voicemail 7 30", usage},
        {"voicemail 7 30  ", usage},
        {"voicemail 0 30 5", "voicemail: \"0\" is not a number from 1 to 4294967295"},
        {"voicemail 7 0 5", "voicemail: \"0\" is not a number from 1 to 86400"},
        {"voicemail 7 86401 5", "voicemail: \"86401\" is not a number from 1 to 86400"},
        {"voicemail 7 30 soon", "voicemail: \"soon\" is not a number from 0 to 4294967295"},
        {"voicemail 7 30 4294967296",
         "voicemail: \"4294967296\" is not a number from 0 to 4294967295"},
        {"voicemail 7 alice 30 5", "voicemail: \"alice\" is not a number from 1 to 86400"},
        {"voicemail 7 30 5\tAlice",
         "voicemail needs one space between the third number and the text"},
    };
    ExpectLines(cases);
}

TEST(ScenarioParserTest, SettingLinesTakeASectionAKeyAndTheRestOfTheLineAsTheValue) {
    const std::string usage = "setting needs two words, then a text after one space";
    const LineCase cases[] = {
        {"setting PhoneSet lang 2052", "", {}, "2052", "PhoneSet", "lang"},
        {"setting  MultiMedia\taudioout USB Audio Device ",
         "",
         {},
         "USB Audio Device ",
         "MultiMedia",
         "audioout"},
        // Nothing after the key: the empty value.
        {"setting MultiMedia RingerFile", "", {}, "", "MultiMedia", "RingerFile"},
        {"setting MultiMedia RingerFile  \t", "", {}, "", "MultiMedia", "RingerFile"},
        {"setting", usage},
        {"setting PhoneSet", usage},
        {"setting PhoneSet   ", usage},
        {"setting PhoneSet lang\t2052",
         "setting needs one space between the second word and the text"},
    };
    ExpectLines(cases);
}

TEST(ScenarioParserTest, OverLongLinesAndNulBytesAreRefusedWithoutCrashing) {
    const std::string longest = "say " + std::string(kMaxLineBytes - 4, 'x');
    const ParseResult fits = Parse(longest);
    ASSERT_FALSE(fits.error);
    EXPECT_EQ(kMaxLineBytes - 4, fits.steps[0].text.size());

    EXPECT_EQ("the line is longer than 4096 bytes", ErrorOf(longest + "x").message);
    // Even a line far too long to be a line, and one that is not even a verb.
    EXPECT_EQ("the line is longer than 4096 bytes", ErrorOf(std::string(1 << 20, 'y')).message);
    EXPECT_EQ("the line holds a NUL byte", ErrorOf(std::string("say a\0b", 7)).message);
}

TEST(ScenarioParserTest, TheFirstMalformedLineIsTheOneReported) {
    const ParseResult result = Parse("plug\nfly\npress x\n");
    ASSERT_TRUE(result.error);
    EXPECT_EQ(2u, result.error->line);
    EXPECT_TRUE(result.steps.empty());
    // Line numbers count comments, blank lines and "\r\n" lines too.
    const ParseResult later = Parse("# one\r\n\r\nplug\r\npress 300\r\n");
    ASSERT_TRUE(later.error);
    EXPECT_EQ(4u, later.error->line);
}

}  // namespace
}  // namespace scenario
