// Writing profile files: creation, keeping every other line, line ends, duplicates, refusals.
#include <sys/stat.h>

#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/profile/Profile.h"
#include "platform/profile/tests/ProfileTestSupport.h"

namespace platform {
namespace {

using testing::InodeOf;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class ProfileWrite : public ::testing::Test {
  protected:
    bool Write(const wchar_t* section, const wchar_t* key, const std::wstring& value) {
        return WritePrivateProfileString(section, key, value, file_);
    }
    // Writes `key` over `before` and returns the file afterwards.
    std::string Edit(const std::string& before, const wchar_t* section, const wchar_t* key,
                     const wchar_t* value) {
        WriteFile(file_, before);
        EXPECT_TRUE(Write(section, key, value));
        return ReadFile(file_);
    }

    TempDir dir_;
    std::filesystem::path file_ = dir_ / "KestrelCFG.ini";
};

TEST_F(ProfileWrite, CreatesTheFileAndTheSection) {
    ASSERT_TRUE(Write(L"PhoneSet", L"vol", L"8"));
    EXPECT_EQ("[PhoneSet]\nvol=8\n", ReadFile(file_));
    ASSERT_TRUE(Write(L"phoneset", L"mic", L"1"));
    ASSERT_TRUE(Write(L"Logo", L"LogoFile", L"/home/u/\u5FEB.bmp"));
    EXPECT_EQ("[PhoneSet]\nvol=8\nmic=1\n\n[Logo]\nLogoFile=/home/u/\xE5\xBF\xAB.bmp\n",
              ReadFile(file_));
    EXPECT_EQ(L"/home/u/\u5FEB.bmp", GetPrivateProfileString(L"logo", L"logofile", L"", file_));
    EXPECT_EQ(std::vector<std::string>{"KestrelCFG.ini"}, dir_.Entries())
        << "no temporary file is left behind";
}

TEST_F(ProfileWrite, ReplacingAValueKeepsEveryOtherByte) {
    const std::string before =
        "; settings\n"
        "\n"
        "[PhoneSet]\n"
        "  Contrast =  20   \n"
        "bell=1 ; ring\n"
        "\n"
        "; the devices\n"
        "[MultiMedia]\n"
        "audioout=Windows Default Device\n";
    EXPECT_EQ(
        "; settings\n\n[PhoneSet]\n  Contrast =  32\nbell=1 ; ring\n\n; the devices\n"
        "[MultiMedia]\naudioout=Windows Default Device\n",
        Edit(before, L"phoneset", L"contrast", L"32"));
}

TEST_F(ProfileWrite, ANewKeyFollowsTheLastKeyOfItsSection) {
    EXPECT_EQ("[A]\nk=1\nnew=v\n\n; about B\n[B]\nk=2\n",
              Edit("[A]\nk=1\n\n; about B\n[B]\nk=2\n", L"A", L"new", L"v"));
    EXPECT_EQ("[A]\nnew=v\n[B]\n", Edit("[A]\n[B]\n", L"A", L"new", L"v"));
    EXPECT_EQ("[A]\nk=1\nnew=v\n", Edit("[A]\nk=1", L"A", L"new", L"v"));
    EXPECT_EQ("[A]\nnew=v\n", Edit("[A]", L"A", L"new", L"v"));
}

TEST_F(ProfileWrite, ANewSectionGoesAtTheEndAfterABlankLine) {
    EXPECT_EQ("[A]\nk=1\n\n[B]\nj=2\n", Edit("[A]\nk=1", L"B", L"j", L"2"));
    EXPECT_EQ("[A]\nk=1\n\n[B]\nj=2\n", Edit("[A]\nk=1\n", L"B", L"j", L"2"));
    EXPECT_EQ("[A]\n\n\n[B]\nj=2\n", Edit("[A]\n\n\n", L"B", L"j", L"2"));
    EXPECT_EQ("[B]\nj=2\n", Edit("", L"B", L"j", L"2"));
}

TEST_F(ProfileWrite, OnlyTheFirstDuplicateIsWritten) {
    EXPECT_EQ("[A]\nk=9\nk=2\n[a]\nk=3\n", Edit("[A]\nk=1\nk=2\n[a]\nk=3\n", L"A", L"k", L"9"));
    EXPECT_EQ("[A]\nx=1\nk=9\n[a]\nk=3\n", Edit("[A]\nx=1\n[a]\nk=3\n", L"A", L"k", L"9"));
    EXPECT_EQ(9, GetPrivateProfileInt(L"A", L"k", 0, file_));
}

TEST_F(ProfileWrite, CrlfByteOrderMarkAndMixedLineEndsAreKept) {
    EXPECT_EQ("[A]\r\nk=2\r\nj=3\r\n", Edit("[A]\r\nk=1\r\nj=3\r\n", L"A", L"k", L"2"));
    EXPECT_EQ("[A]\r\nk=2\r\n\r\n[B]\r\nl=4\r\n", Edit("[A]\r\nk=2\r\n", L"B", L"l", L"4"));
    EXPECT_EQ("[A]\r\nk=1\r\nnew=v\r\n", Edit("[A]\r\nk=1", L"A", L"new", L"v"));
    EXPECT_EQ("\xEF\xBB\xBF[A]\r\nk=1\nj=2\r\n",
              Edit("\xEF\xBB\xBF[A]\r\nk=0\nj=2\r\n", L"A", L"k", L"1"));
    EXPECT_EQ("\xEF\xBB\xBF[A]\nk=1\n", Edit("\xEF\xBB\xBF", L"A", L"k", L"1"));
    EXPECT_EQ(1, GetPrivateProfileInt(L"A", L"k", 0, file_));
}

TEST_F(ProfileWrite, NamesAndValuesThatWouldBreakTheFileAreRefused) {
    const std::string before = "[A]\nk=1\n";
    WriteFile(file_, before);
    EXPECT_FALSE(Write(L"A", L"k", L"x\n[ModeList]\nMode0=evil.dll")) << "line injection";
    EXPECT_FALSE(Write(L"A", L"k", L"x\ry"));
    EXPECT_FALSE(Write(L"A", L"k", std::wstring(L"x\0y", 3)));
    EXPECT_FALSE(Write(L"A", L"k=2", L"1"));
    EXPECT_FALSE(Write(L"A", L"[k]", L"1"));
    EXPECT_FALSE(Write(L"A", L";k", L"1"));
    EXPECT_FALSE(Write(L"A", L"  ", L"1"));
    EXPECT_FALSE(Write(L"", L"k", L"1"));
    EXPECT_FALSE(Write(L"A]B", L"k", L"1"));
    EXPECT_FALSE(Write(L"A\nB", L"k", L"1"));
    EXPECT_FALSE(Write(L"A", L"k", std::wstring(8191, L'v'))) << "the line would be too long";
    EXPECT_FALSE(Write(L"A", L"new", std::wstring(8189, L'v')));
    EXPECT_EQ(before, ReadFile(file_));
    EXPECT_TRUE(Write(L"A", L"k", std::wstring(8190, L'v')));
    EXPECT_EQ(8190u, GetPrivateProfileString(L"A", L"k", L"", file_).size());
}

TEST_F(ProfileWrite, EachWriteReplacesTheFileAndAnUnchangedValueTouchesNothing) {
    WriteFile(file_, "[A]\nk=1\n");
    const ino_t original = InodeOf(file_);
    ASSERT_TRUE(Write(L"A", L"k", L"1"));
    EXPECT_EQ(original, InodeOf(file_));
    ASSERT_TRUE(Write(L"A", L"k", L"2"));
    EXPECT_NE(original, InodeOf(file_)) << "the new content comes from a renamed file";

    // Rewriting a value never reshapes its line, so the same write twice is a no-op.
    EXPECT_EQ("[A]\nk=\t\nj = x\n", Edit("[A]\nk=\t\nj = 1\n", L"A", L"j", L"x"));
    const ino_t settled = InodeOf(file_);
    ASSERT_TRUE(Write(L"A", L"k", L""));
    ASSERT_TRUE(Write(L"A", L"j", L" x"));
    ASSERT_TRUE(Write(L"A", L"j", L" x"));
    EXPECT_EQ("[A]\nk=\t\nj = x\n", ReadFile(file_));
    EXPECT_EQ(settled, InodeOf(file_));
}

TEST_F(ProfileWrite, PermissionsAndSymbolicLinksSurvive) {
    WriteFile(file_, "[A]\nk=1\n");
    std::filesystem::permissions(file_, std::filesystem::perms(0640));
    ASSERT_TRUE(Write(L"A", L"k", L"2"));
    EXPECT_EQ(std::filesystem::perms(0640), std::filesystem::status(file_).permissions());

    const auto link = dir_ / "link.ini";
    std::filesystem::create_symlink(file_.filename(), link);
    ASSERT_TRUE(WritePrivateProfileString(L"A", L"k", L"3", link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ("[A]\nk=3\n", ReadFile(file_));

    std::filesystem::create_symlink("nowhere.ini", dir_ / "dangling.ini");
    EXPECT_FALSE(WritePrivateProfileString(L"A", L"k", L"3", dir_ / "dangling.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "dangling.ini"));
}

TEST_F(ProfileWrite, ConcurrentWritersInTheProcessLoseNoKey) {
    // Each write adds a key of its own, so any write made from a stale copy loses one for good.
    constexpr int kWrites = 40;
    auto writer = [this](const std::wstring& prefix) {
        for (int i = 0; i < kWrites; ++i) {
            WritePrivateProfileString(L"PhoneSet", prefix + std::to_wstring(i), L"1", file_);
        }
    };
    std::thread a(writer, L"HasCall");
    std::thread b(writer, L"lightcurrent");
    a.join();
    b.join();
    int present = 0;
    for (int i = 0; i < kWrites; ++i) {
        present += GetPrivateProfileInt(L"PhoneSet", L"HasCall" + std::to_wstring(i), 0, file_);
        present +=
            GetPrivateProfileInt(L"PhoneSet", L"lightcurrent" + std::to_wstring(i), 0, file_);
    }
    EXPECT_EQ(2 * kWrites, present);
}

}  // namespace
}  // namespace platform
