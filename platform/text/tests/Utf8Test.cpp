// UTF-8 round trips and the replacement of everything malformed.
#include "platform/text/Utf8.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(Utf8, RoundTripsEveryPlane) {
    const std::wstring text = L"CALL 12 STATUS \u4F60\u597D \u00E9 \U0001F600";
    EXPECT_EQ(text, FromUtf8(ToUtf8(text)));
    EXPECT_EQ("\xE4\xBD\xA0", ToUtf8(L"\u4F60"));
    EXPECT_EQ("\xF0\x9F\x98\x80", ToUtf8(L"\U0001F600"));
}

TEST(Utf8, MalformedInputIsReplacedNotTrusted) {
    EXPECT_EQ(L"a\uFFFDb", FromUtf8("a\xFF"
                                    "b"));         // not a lead byte
    EXPECT_EQ(L"a\uFFFD", FromUtf8("a\xE4\xBD"));  // truncated at the end
    EXPECT_EQ(L"\uFFFDb", FromUtf8("\xE4"
                                   "b"));                // continuation missing
    EXPECT_EQ(L"\uFFFD", FromUtf8("\xC0\xAF"));          // over-long "/"
    EXPECT_EQ(L"\uFFFD", FromUtf8("\xED\xA0\x80"));      // UTF-16 surrogate
    EXPECT_EQ(L"\uFFFD", FromUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_EQ(
        "a\xEF\xBF\xBD"
        "b",
        SanitizeUtf8("a\x80"
                     "b"));
    EXPECT_EQ("ok \xE4\xBD\xA0", SanitizeUtf8("ok \xE4\xBD\xA0"));
}

TEST(Utf8, InvalidWideCodeUnitsAreReplaced) {
    EXPECT_EQ("\xEF\xBF\xBD", ToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))));
    EXPECT_EQ("\xEF\xBF\xBD", ToUtf8(std::wstring(1, static_cast<wchar_t>(0x110000))));
}

TEST(Utf8, EmbeddedNulSurvives) {
    const std::string bytes("a\0b", 3);
    EXPECT_EQ(3u, FromUtf8(bytes).size());
    EXPECT_EQ(bytes, ToUtf8(FromUtf8(bytes)));
}

}  // namespace
}  // namespace platform
