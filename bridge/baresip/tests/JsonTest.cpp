// JSON: ctrl_tcp's messages, the parser's rules and limits, and the writer read back.
#include "bridge/baresip/Json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace baresip {
namespace {

JsonValue Str(const char* text) {
    return JsonValue(std::string(text));
}

JsonValue Num(double value) {
    return JsonValue(value);
}

std::string Nested(int depth, std::string_view inner) {
    std::string text(static_cast<std::size_t>(depth), '[');
    text += inner;
    text.append(static_cast<std::size_t>(depth), ']');
    return text;
}

TEST(ParseJson, ReadsCtrlTcpMessages) {
    const std::optional<JsonValue> response =
        ParseJson(R"({"response":true,"ok":true,"data":"line 1\nsip:b@127.0.0.1\/x","token":"7"})");
    ASSERT_TRUE(response.has_value());
    EXPECT_EQ(true, response->BoolMember("response"));
    EXPECT_EQ(true, response->BoolMember("ok"));
    EXPECT_EQ("line 1\nsip:b@127.0.0.1/x", response->StringMember("data"));
    EXPECT_EQ("7", response->StringMember("token"));

    const std::optional<JsonValue> event =
        ParseJson(R"({"event":true,"type":"CALL_INCOMING","class":"call",)"
                  R"("accountaor":"sip:a@127.0.0.1:5071","direction":"incoming",)"
                  R"("peeruri":"sip:b@127.0.0.1:5082","id":"a914f94ef02e3ea1",)"
                  R"("param":"sip:b@127.0.0.1:5082"})");
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ("CALL_INCOMING", event->StringMember("type"));
    EXPECT_EQ("a914f94ef02e3ea1", event->StringMember("id"));
    EXPECT_EQ(std::nullopt, event->StringMember("event"));  // a bool, not a string
    EXPECT_EQ(std::nullopt, event->BoolMember("type"));
    EXPECT_EQ(std::nullopt, event->StringMember("peerdisplayname"));

    const std::optional<JsonValue> stats =
        ParseJson(R"({"event":true,"type":"CALL_RTCP","class":"call",)"
                  R"("rtcp_stats":{"tx":{"sent":12,"lost":0,"jit":-1.5e-3},"rtt":0}})");
    ASSERT_TRUE(stats.has_value());
    const JsonValue* rtcp = stats->Find("rtcp_stats");
    ASSERT_NE(nullptr, rtcp);
    EXPECT_EQ(0.0, rtcp->NumberMember("rtt"));
    const JsonValue* tx = rtcp->Find("tx");
    ASSERT_NE(nullptr, tx);
    EXPECT_EQ(12.0, tx->NumberMember("sent"));
    EXPECT_EQ(-1.5e-3, tx->NumberMember("jit"));
    EXPECT_EQ(nullptr, tx->Find("rtt"));
}

TEST(ParseJson, ReadsEveryKindOfValue) {
    const struct {
        std::string text;
        JsonValue value;
    } cases[] = {
        {"null", JsonValue()},
        {" \t\r\ntrue\n", JsonValue(true)},
        {"false", JsonValue(false)},
        {"0", Num(0)},
        {"-0", Num(-0.0)},
        {"42", Num(42)},
        {"-12.5e3", Num(-12500)},
        {"1E+2", Num(100)},
        {"2.5e-1", Num(0.25)},
        {"10.010", Num(10.01)},
        {R"("")", Str("")},
        {R"("\"\\\/\b\f\n\r\t")", Str("\"\\/\b\f\n\r\t")},
        {R"("\u00e9\u20AC\ud83d\ude00")", Str("\u00e9\u20ac\U0001F600")},
        {"\"\u00e9\u20ac\U0001F600\x7f\"", Str("\u00e9\u20ac\U0001F600\x7f")},
        {R"("a\u0000b")", JsonValue(std::string("a\0b", 3))},
        {"[]", JsonValue(JsonValue::Array{})},
        {"{}", JsonValue(JsonValue::Object{})},
        {R"([1, "two" ,[null],{}])",
         JsonValue(JsonValue::Array{Num(1), Str("two"), JsonValue(JsonValue::Array{JsonValue()}),
                                    JsonValue(JsonValue::Object{})})},
        {R"({ "b" : [true] , "a":{"":1}})",
         JsonValue(JsonValue::Object{{"b", JsonValue(JsonValue::Array{JsonValue(true)})},
                                     {"a", JsonValue(JsonValue::Object{{"", Num(1)}})}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<JsonValue> value = ParseJson(c.text);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(c.value, *value);
    }
    EXPECT_TRUE(std::signbit(*ParseJson("-0")->AsNumber()));
}

TEST(ParseJson, RefusesAnythingButExactlyOneValidValue) {
    const std::string cases[] = {
        "",
        " ",
        "nul",
        "tru",
        "True",
        "nulll",
        "01",
        "-",
        "-01",
        "1.",
        ".5",
        "1e",
        "1e+",
        "+1",
        "0x10",
        "1e400",
        "-1e400",
        "NaN",
        "Infinity",
        "[1,]",
        "[,1]",
        "[1 2]",
        "[",
        "]",
        R"({"a":1,})",
        R"({"a"})",
        R"({"a":})",
        "{a:1}",
        R"({"a":1 "b":2})",
        R"({1:2})",
        "'x'",
        R"("abc)",
        R"("\x")",
        R"("\u12")",
        R"("\u12G4")",
        R"("\U0041")",
        R"("\)",
        R"("\ud800")",
        R"("\udc00")",
        R"("\ud800\u0041")",
        R"("\ud800x")",
        R"("\ud800\n")",
        R"("\udbff\udbff")",
        "\"a\tb\"",
        "\"\x01\"",
        "\"\x1f\"",
        "\"\n\"",
        "\"\xC3\"",
        "\"\xC3(\"",
        "\"\xC0\xAF\"",
        "\"\xE0\x80\xAF\"",
        "\"\xED\xA0\x80\"",
        "\"\xF4\x90\x80\x80\"",
        "\"\xF8\x88\x80\x80\x80\"",
        "\"\x80\"",
        "\"\xFF\"",
        "\"\xE2\x82\"",
        "{} x",
        "1 2",
        "[]]",
        "\xEF\xBB\xBF{}",
        std::string("{}\0", 3),
        "\xC3\xA9",
        "[\x0b]",
        "{\"a\":1}\f",
    };
    for (const std::string& text : cases) {
        EXPECT_FALSE(ParseJson(text).has_value()) << '"' << text << '"';
    }
}

TEST(ParseJson, NestsArraysAndObjectsUpToTheLimit) {
    EXPECT_TRUE(ParseJson(Nested(kMaxJsonDepth, "")).has_value());
    EXPECT_FALSE(ParseJson(Nested(kMaxJsonDepth + 1, "")).has_value());
    std::string objects;
    for (int depth = 1; depth < kMaxJsonDepth; ++depth) {
        objects += R"({"a":)";
    }
    objects += "[1]";
    objects.append(kMaxJsonDepth - 1, '}');
    EXPECT_TRUE(ParseJson(objects).has_value());
    EXPECT_FALSE(ParseJson("[" + objects + "]").has_value());
    // Far deeper than the stack would take without the limit.
    EXPECT_FALSE(ParseJson(std::string(1'000'000, '[')).has_value());
}

TEST(JsonValue, FindsTheLastOfARepeatedKeyAndNothingInOtherTypes) {
    const std::optional<JsonValue> value = ParseJson(R"({"k":"first","n":1,"k":"last"})");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ("last", value->StringMember("k"));
    EXPECT_EQ(1.0, value->NumberMember("n"));
    EXPECT_EQ(nullptr, value->Find("K"));
    for (const char* other : {R"(["k"])", R"("k")", "null"}) {
        const std::optional<JsonValue> notObject = ParseJson(other);
        ASSERT_TRUE(notObject.has_value());
        EXPECT_EQ(nullptr, notObject->Find("k")) << other;
        EXPECT_EQ(std::nullopt, notObject->StringMember("k")) << other;
    }
}

TEST(JsonQuote, EscapesWhatJsonRequiresAndNothingElse) {
    const struct {
        std::string text;
        std::string literal;
    } cases[] = {
        {"", R"("")"},
        {"sip:b@127.0.0.1/x", R"("sip:b@127.0.0.1/x")"},
        {"a\"b\\c", R"("a\"b\\c")"},
        {"\b\f\n\r\t", R"("\b\f\n\r\t")"},
        {std::string("\0\x01\x1f\x7f", 4), "\"\\u0000\\u0001\\u001f\x7f\""},
        {"\u00e9\u20ac\U0001F600", "\"\u00e9\u20ac\U0001F600\""},
        {"\xC3(", "\"\xEF\xBF\xBD(\""},
        {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"\xF0\x9F\x98", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.literal, JsonQuote(c.text));
    }
}

TEST(JsonQuote, ReadsBackAsTheSameText) {
    std::string everyAscii;
    for (int c = 0; c < 0x80; ++c) {
        everyAscii += static_cast<char>(c);
    }
    const std::string cases[] = {
        everyAscii,
        "\u00e9t\u00e9 \u20ac \U0001F600 \U0010FFFF \uFFFD \u0800 \u07FF",
        R"(\u0041 \n "quoted")",
    };
    for (const std::string& text : cases) {
        const std::optional<JsonValue> value = ParseJson(JsonQuote(text));
        ASSERT_TRUE(value.has_value()) << JsonQuote(text);
        EXPECT_EQ(JsonValue(text), *value);
    }
}

TEST(JsonObjectOfStrings, WritesTheMembersInOrder) {
    EXPECT_EQ("{}", JsonObjectOfStrings({}));
    EXPECT_EQ(R"({"command":"dial","params":"sip:b@127.0.0.1:5082","token":"7"})",
              JsonObjectOfStrings(
                  {{"command", "dial"}, {"params", "sip:b@127.0.0.1:5082"}, {"token", "7"}}));
    const std::optional<JsonValue> value =
        ParseJson(JsonObjectOfStrings({{"z", "line\n\"two\""}, {"a\\", ""}}));
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(JsonValue(JsonValue::Object{{"z", Str("line\n\"two\"")}, {"a\\", Str("")}}), *value);
}

}  // namespace
}  // namespace baresip
