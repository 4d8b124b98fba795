// Reading profile files: names, defaults, values, integers, duplicates and damaged files.
#include <sys/stat.h>

#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "platform/profile/Profile.h"
#include "platform/profile/tests/ProfileTestSupport.h"

namespace platform {
namespace {

using testing::TempDir;
using testing::WriteFile;

class ProfileRead : public ::testing::Test {
  protected:
    std::filesystem::path Ini(const std::string& bytes) {
        WriteFile(file_, bytes);
        return file_;
    }
    std::wstring String(const wchar_t* section, const wchar_t* key) {
        return GetPrivateProfileString(section, key, L"<default>", file_);
    }
    int Int(const wchar_t* section, const wchar_t* key) {
        return GetPrivateProfileInt(section, key, -77, file_);
    }

    TempDir dir_;
    std::filesystem::path file_ = dir_ / "KestrelCFG.ini";
};

TEST_F(ProfileRead, MissingFileSectionOrKeyGivesTheReadersDefault) {
    EXPECT_EQ(L"<default>", String(L"PhoneSet", L"bell"));
    EXPECT_EQ(-77, Int(L"PhoneSet", L"bell"));
    EXPECT_EQ(5001, GetPrivateProfileInt(L"DeviceID", L"pid", 5001, dir_ / "no" / "such.ini"));

    Ini("[PhoneSet]\nbell=3\n");
    EXPECT_EQ(-77, Int(L"DeviceID", L"bell"));
    EXPECT_EQ(-77, Int(L"PhoneSet", L"vol"));
    EXPECT_EQ(3, Int(L"PhoneSet", L"bell"));
    EXPECT_EQ(L"<default>", String(L"", L"bell"));
    EXPECT_EQ(L"<default>", String(L"PhoneSet", L""));
}

TEST_F(ProfileRead, NamesIgnoreCaseAndSurroundingBlanks) {
    Ini("[phoneset]\n  Sync = 1 \n[ Logo ]\nlogofile=a.bmp\n");
    EXPECT_EQ(1, Int(L"PhoneSet", L"sync"));
    EXPECT_EQ(1, Int(L"PHONESET", L"SYNC"));
    EXPECT_EQ(L"a.bmp", String(L"logo", L"LogoFile"));
    EXPECT_EQ(L"a.bmp", String(L" Logo ", L" LOGOFILE"));
}

TEST_F(ProfileRead, ValuesAreTrimmedAndLoseOnePairOfQuotes) {
    Ini("[S]\n"
        "spaced =   Windows Default Device  \t\n"
        "quoted=\"  kept inside  \"\n"
        "single='x'\n"
        "unmatched=\"x\n"
        "twice=\"\"x\"\"\n"
        "empty=\n"
        "comment=w ; stays part of the value\n"
        "equals=a=b\n");
    EXPECT_EQ(L"Windows Default Device", String(L"S", L"spaced"));
    EXPECT_EQ(L"  kept inside  ", String(L"S", L"quoted"));
    EXPECT_EQ(L"x", String(L"S", L"single"));
    EXPECT_EQ(L"\"x", String(L"S", L"unmatched"));
    EXPECT_EQ(L"\"x\"", String(L"S", L"twice"));
    EXPECT_EQ(L"", String(L"S", L"empty"));
    EXPECT_EQ(L"w ; stays part of the value", String(L"S", L"comment"));
    EXPECT_EQ(L"a=b", String(L"S", L"equals"));
}

TEST_F(ProfileRead, Utf8ValuesComeBackWide) {
    Ini("\xEF\xBB\xBF[App]\nAppName=\xE5\xBF\xAB\xE4\xB9\x90 Quillon\n");
    EXPECT_EQ(L"\u5FEB\u4E50 Quillon", String(L"App", L"AppName"));
}

TEST_F(ProfileRead, IntegersAreReadAsGetPrivateProfileIntReadsThem) {
    const struct {
        const char* value;
        int expected;
    } cases[] = {
        {"12", 12},
        {"-7", -7},
        {"+3", 3},
        {"260", 260},
        {"12abc", 12},
        {"abc", 0},  // a present key with no digits is 0, not the default
        {"- 5", 0},
        {"--5", 0},
        {"0x1F", 31},
        {"0X1F", 0},  // only a lowercase prefix selects a base
        {"0o17", 15},
        {"0b101", 5},
        {"0x", 0},
        {"\"42\"", 42},
        {"4294967297", 1},  // wraps modulo 2^32
        {"2147483648", INT_MIN},
        {"-2147483648", INT_MIN},
        {"00000000000000000000000000001", 1},   // 29 characters: all read
        {"000000000000000000000000000001", 0},  // the 30th character is not
    };
    for (const auto& c : cases) {
        Ini(std::string("[S]\nk=") + c.value + "\n");
        EXPECT_EQ(c.expected, Int(L"S", L"k")) << "value " << c.value;
    }
    Ini("[S]\nk=\n");
    EXPECT_EQ(-77, Int(L"S", L"k")) << "an empty value gives the default";
    Ini("[S]\nk=\"\"\n");
    EXPECT_EQ(-77, Int(L"S", L"k"));
}

TEST_F(ProfileRead, FirstDuplicateSectionAndKeyWin) {
    Ini("[A]\nk=1\nk=2\n[B]\nk=5\n[a]\nk=3\nonlyhere=4\n");
    EXPECT_EQ(1, Int(L"A", L"k"));
    EXPECT_EQ(-77, Int(L"A", L"onlyhere")) << "a repeated section is never read";
    EXPECT_EQ(5, Int(L"B", L"k"));
}

TEST_F(ProfileRead, CommentsAndMalformedLinesAreNotKeys) {
    Ini("orphan=1\n"
        "[A]\n"
        ";k=2\n"
        "novalue\n"
        "=3\n"
        "[Broken\n"
        "after=4\n"
        "  [Indented]  trailing text\n"
        "inside=5\n");
    EXPECT_EQ(-77, Int(L"A", L"orphan"));
    EXPECT_EQ(-77, Int(L"A", L";k"));
    EXPECT_EQ(-77, Int(L"A", L"k"));
    EXPECT_EQ(L"<default>", String(L"A", L"novalue"));
    EXPECT_EQ(4, Int(L"A", L"after")) << "a header without ']' does not end the section";
    EXPECT_EQ(-77, Int(L"Broken", L"after"));
    EXPECT_EQ(5, Int(L"Indented", L"inside"));
}

TEST_F(ProfileRead, LineEndsByteOrderMarkAndStrayBytes) {
    Ini("\xEF\xBB\xBF[A]\r\nk=1\r\nj = two \r\n[B]\rl=3\nlast=4\r");
    EXPECT_EQ(1, Int(L"A", L"k"));
    EXPECT_EQ(L"two", String(L"A", L"j"));
    EXPECT_EQ(-77, Int(L"B", L"l")) << "a lone CR does not end a line";
    EXPECT_EQ(4, Int(L"B", L"last"));

    using namespace std::string_literals;
    Ini("[A]\nnul=ab\0cd\nbad=x\xFF\xC0y\n"s);
    EXPECT_EQ(L"ab", String(L"A", L"nul")) << "a value ends at NUL";
    EXPECT_EQ(L"x\uFFFD\uFFFDy", String(L"A", L"bad"));
}

TEST_F(ProfileRead, OverLongLinesAreSkippedAndTheRestStillReads) {
    const std::string megabyte(1 << 20, 'x');
    Ini("[A]\nbefore=1\nhuge=" + megabyte + "\n[" + megabyte + "]\nafter=2\n[B]\nk=3\n");
    EXPECT_EQ(1, Int(L"A", L"before"));
    EXPECT_EQ(L"<default>", String(L"A", L"huge"));
    EXPECT_EQ(2, Int(L"A", L"after")) << "an over-long header does not start a section";
    EXPECT_EQ(3, Int(L"B", L"k"));

    const std::string atLimit(8192 - 2, 'v');
    Ini("[A]\nk=" + atLimit + "\nj=" + atLimit + "v\n");
    EXPECT_EQ(atLimit.size(), String(L"A", L"k").size());
    EXPECT_EQ(L"<default>", String(L"A", L"j"));
}

TEST_F(ProfileRead, BinaryGarbageGivesDefaultsWithoutHarm) {
    std::string garbage;
    unsigned seed = 12345;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1103515245u + 12345u;
        garbage += static_cast<char>(seed >> 16);
    }
    Ini(garbage);
    EXPECT_EQ(-77, Int(L"PhoneSet", L"bell"));
    Ini(garbage + "\n[PhoneSet]\nbell=2\n");
    EXPECT_EQ(2, Int(L"PhoneSet", L"bell"));
}

TEST_F(ProfileRead, WhatIsNotARegularFileOfSaneSizeReadsAsMissing) {
    std::filesystem::create_directory(file_);
    EXPECT_EQ(-77, Int(L"A", L"k"));
    std::filesystem::remove(file_);

    ASSERT_EQ(0, ::mkfifo(file_.c_str(), 0600));
    EXPECT_EQ(-77, Int(L"A", L"k")) << "a FIFO must not block the reader";
    std::filesystem::remove(file_);

    Ini("[A]\nk=1\n" + std::string(5 << 20, ';'));
    EXPECT_EQ(-77, Int(L"A", L"k")) << "a file over 4 MiB is not read";
}

}  // namespace
}  // namespace platform
