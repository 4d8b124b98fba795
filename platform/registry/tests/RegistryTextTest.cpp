// The registry file's text: key names, value lines and their escapes, edits that keep the rest.
#include "platform/registry/RegistryText.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

constexpr std::string_view kPhone = "HKEY_CURRENT_USER\\Software\\Skype\\Phone";

TEST(RegistryKeyName, SeparatorsAreNormalisedAndControlCharactersRefused) {
    EXPECT_EQ("HKEY_CURRENT_USER\\software\\Skype\\Phone",
              RegistryKeyName("HKEY_CURRENT_USER", L"software\\Skype\\Phone\\"));
    EXPECT_EQ("HKEY_CURRENT_USER\\a\\b", RegistryKeyName("HKEY_CURRENT_USER", L"\\\\a\\\\b\\"));
    EXPECT_EQ("HKEY_CURRENT_USER", RegistryKeyName("HKEY_CURRENT_USER", L""));
    EXPECT_EQ(std::nullopt, RegistryKeyName("HKEY_CURRENT_USER", L"a\nb"));
}

TEST(RegistryText, ValuesRoundTripThroughTheirLines) {
    const std::wstring awkward = L"C:\\Program Files\\\"Skype\"\n\t\x01 \u4F60\U0001F600";
    RegistryText text("");
    text.Set(kPhone, L"SkypePath", awkward);
    text.Set(kPhone, L"Count", std::uint32_t{0xFFFFFFFF});
    text.Set(kPhone, L"", std::wstring(L"unnamed"));
    const std::string bytes = text.Bytes();
    EXPECT_NE(std::string::npos, bytes.find("\"Count\"=dword:ffffffff\n"));
    EXPECT_NE(std::string::npos, bytes.find("@=\"unnamed\"\n"));
    EXPECT_EQ(std::string::npos, bytes.find('\x01'));  // control characters are escaped

    const RegistryText reread(bytes);
    EXPECT_EQ(RegistryValue(awkward), reread.Find(kPhone, L"SkypePath"));
    EXPECT_EQ(RegistryValue(std::uint32_t{0xFFFFFFFF}), reread.Find(kPhone, L"Count"));
    EXPECT_EQ(RegistryValue(std::wstring(L"unnamed")), reread.Find(kPhone, L""));
}

TEST(RegistryText, NamesIgnoreCaseAndTheFirstOfTwinsWins) {
    const RegistryText text(
        "[hkey_current_user\\SOFTWARE\\skype\\phone]\r\n"
        "\"skypepath\"=\"/first\"\r\n"
        "\"SkypePath\"=\"/second\"\r\n"
        "[HKEY_CURRENT_USER\\Software\\Skype\\Phone]\n"
        "\"Other\"=\"in the twin key\"\n");
    EXPECT_EQ(RegistryValue(std::wstring(L"/first")), text.Find(kPhone, L"SKYPEPATH"));
    EXPECT_EQ(std::nullopt, text.Find(kPhone, L"Other"));
}

TEST(RegistryText, EditsKeepEveryOtherLineInPlace) {
    const std::string original =
        "\xEF\xBB\xBF; comment\n"
        "[HKEY_CURRENT_USER\\Software\\Skype\\Phone]\n"
        "\"SkypePath\"=\"/old\"\n"
        "garbage line\n"
        "\"Broken\"=dword:12\n"
        "\"Unterminated\"=\"abc\n"
        "\n"
        "[HKEY_CURRENT_USER\\Other]\n"
        "\"Keep\"=dword:00000001\n";
    RegistryText text(original);
    EXPECT_EQ(std::nullopt, text.Find(kPhone, L"Broken"));
    EXPECT_EQ(std::nullopt, text.Find(kPhone, L"Unterminated"));

    text.Set(kPhone, L"SkypePath", std::wstring(L"/new"));
    text.Set(kPhone, L"Added", std::uint32_t{5});
    EXPECT_EQ(
        "; comment\n"
        "[HKEY_CURRENT_USER\\Software\\Skype\\Phone]\n"
        "\"SkypePath\"=\"/new\"\n"
        "garbage line\n"
        "\"Broken\"=dword:12\n"
        "\"Unterminated\"=\"abc\n"
        "\"Added\"=dword:00000005\n"
        "\n"
        "[HKEY_CURRENT_USER\\Other]\n"
        "\"Keep\"=dword:00000001\n",
        text.Bytes());

    EXPECT_TRUE(text.Delete(kPhone, L"skypepath"));
    EXPECT_FALSE(text.Delete(kPhone, L"SkypePath"));
    EXPECT_FALSE(text.Delete("HKEY_CURRENT_USER\\Missing", L"Keep"));
    EXPECT_EQ(std::nullopt, text.Find(kPhone, L"SkypePath"));
    EXPECT_EQ(RegistryValue(std::uint32_t{1}), text.Find("HKEY_CURRENT_USER\\Other", L"Keep"));
}

TEST(RegistryText, NewKeysGoAtTheEndAndAStringEndsAtANul) {
    RegistryText text("; header\n");
    EXPECT_FALSE(text.HasKey(kPhone));
    text.AddKey(kPhone);
    text.AddKey(kPhone);
    text.Set(kPhone, L"Cut", std::wstring(L"before\0after", 12));
    EXPECT_EQ("; header\n\n[HKEY_CURRENT_USER\\Software\\Skype\\Phone]\n\"Cut\"=\"before\"\n",
              text.Bytes());
}

}  // namespace
}  // namespace platform
