// Writes that cannot be done leave the file as it was; readers and crashes never see half a file.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "platform/profile/Profile.h"
#include "platform/profile/tests/ProfileTestSupport.h"

namespace platform {
namespace {

using testing::ChildResult;
using testing::ReadFile;
using testing::RunInChild;
using testing::TempDir;
using testing::WriteFile;

namespace fs = std::filesystem;

const std::string kOriginal = "[PhoneSet]\nbell=1\n";

bool WriteBell(const fs::path& file) {
    return WritePrivateProfileString(L"PhoneSet", L"bell", L"2", file);
}

class ProfileFailure : public ::testing::Test {
  protected:
    TempDir dir_;
    fs::path file_ = dir_ / "KestrelCFG.ini";
};

TEST_F(ProfileFailure, ReadOnlyDirectoryRefusesAndChangesNothing) {
    WriteFile(file_, kOriginal);
    fs::permissions(dir_.Path(), fs::perms(0555));
    const auto missing = dir_ / "KeyDefine.ini";
    const ChildResult result = RunInChild(
        [&] {
            return !WriteBell(file_) && !WriteBell(missing) &&
                   GetPrivateProfileInt(L"PhoneSet", L"bell", 0, file_) == 1;
        },
        true);
    if (result == ChildResult::kCannotDropPrivileges) {
        GTEST_SKIP() << "cannot drop root privileges here";
    }
    EXPECT_EQ(ChildResult::kTrue, result);
    EXPECT_EQ(kOriginal, ReadFile(file_));
    EXPECT_EQ(std::vector<std::string>{"KestrelCFG.ini"}, dir_.Entries());
}

TEST_F(ProfileFailure, ReadOnlyFileRefusesEvenInAWritableDirectory) {
    WriteFile(file_, kOriginal);
    fs::permissions(file_, fs::perms(0444));
    fs::permissions(dir_.Path(), fs::perms(0777));
    const ChildResult result = RunInChild([&] { return !WriteBell(file_); }, true);
    if (result == ChildResult::kCannotDropPrivileges) {
        GTEST_SKIP() << "cannot drop root privileges here";
    }
    EXPECT_EQ(ChildResult::kTrue, result);
    EXPECT_EQ(kOriginal, ReadFile(file_));
    EXPECT_EQ(std::vector<std::string>{"KestrelCFG.ini"}, dir_.Entries());
}

TEST_F(ProfileFailure, PathsThatCannotBeCreatedAreRefused) {
    EXPECT_FALSE(WriteBell(dir_ / std::string(300, 'n'))) << "name too long";
    fs::path deep = dir_.Path();
    while (deep.native().size() < 5000) {
        deep /= std::string(200, 'd');
    }
    EXPECT_FALSE(WriteBell(deep / "KestrelCFG.ini")) << "path too long";
    WriteFile(dir_ / "plain", "x");
    EXPECT_FALSE(WriteBell(dir_ / "plain" / "KestrelCFG.ini")) << "parent is not a directory";
    EXPECT_FALSE(WriteBell(dir_ / "absent" / "KestrelCFG.ini")) << "no directory is created";
    fs::create_directory(file_);
    EXPECT_FALSE(WriteBell(file_)) << "a directory is not replaced";
    EXPECT_EQ((std::vector<std::string>{"KestrelCFG.ini", "plain"}), dir_.Entries());
}

TEST_F(ProfileFailure, AFileTooLargeToReadIsNeverRewritten) {
    const std::string huge = kOriginal + std::string(5 << 20, ';');
    WriteFile(file_, huge);
    EXPECT_FALSE(WriteBell(file_));
    EXPECT_EQ(huge.size(), fs::file_size(file_));
}

// A write that runs out of space (here the file-size limit stands in for a full disk) fails
// and leaves the old content and no temporary file.
TEST_F(ProfileFailure, AFailedWriteKeepsTheOldContent) {
    WriteFile(file_, kOriginal);
    const std::wstring longValue(4000, L'p');
    const ChildResult result = RunInChild(
        [&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{1024, 1024};
            return ::setrlimit(RLIMIT_FSIZE, &limit) == 0 &&
                   !WritePrivateProfileString(L"MultiMedia", L"RingerFile", longValue, file_);
        },
        false);
    EXPECT_EQ(ChildResult::kTrue, result);
    EXPECT_EQ(kOriginal, ReadFile(file_));
    EXPECT_EQ(std::vector<std::string>{"KestrelCFG.ini"}, dir_.Entries());
}

// A process that holds a temporary file the way a writer does, until it is let go.
class LiveWriter {
  public:
    explicit LiveWriter(const fs::path& temporary) {
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0) {
            std::abort();
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
            const char held = (fd >= 0 && ::flock(fd, LOCK_EX) == 0) ? 1 : 0;
            char go;
            ::_exit(::write(ready[1], &held, 1) == 1 && ::read(release[0], &go, 1) >= 0 ? 0 : 1);
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        char held = 0;
        holding_ = ::read(ready[0], &held, 1) == 1 && held == 1;
        ::close(ready[0]);
    }
    ~LiveWriter() { LetGo(); }
    LiveWriter(const LiveWriter&) = delete;
    LiveWriter& operator=(const LiveWriter&) = delete;

    bool Holding() const { return holding_; }
    // Its lock ends as it exits, as a crashed writer's does.
    void LetGo() {
        if (release_ >= 0) {
            ::close(release_);
            release_ = -1;
            ::waitpid(pid_, nullptr, 0);
        }
    }

  private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool holding_ = false;
};

// What crashed writers left is removed by the next write; what a live writer holds, and what is
// not a temporary file of ours, stays.
TEST_F(ProfileFailure, TheNextWriteRemovesOnlyWhatDeadWritersLeft) {
    WriteFile(file_, kOriginal);
    WriteFile(dir_ / ".profile-4242-0.tmp", kOriginal);  // an older writer's name
    WriteFile(dir_ / ".profile-77-00c0ffee00c0ffee-3.tmp", kOriginal);
    WriteFile(dir_ / ".profile-notes.txt", "kept");
    WriteFile(dir_ / "other.tmp", "kept");
    fs::create_directory(dir_ / ".profile-folder.tmp");
    WriteFile(dir_ / "target", "kept");
    fs::create_symlink(dir_ / "target", dir_ / ".profile-link.tmp");
    LiveWriter live(dir_ / ".profile-live.tmp");
    ASSERT_TRUE(live.Holding());

    EXPECT_TRUE(WriteBell(file_));
    EXPECT_EQ(
        (std::vector<std::string>{".profile-folder.tmp", ".profile-link.tmp", ".profile-live.tmp",
                                  ".profile-notes.txt", "KestrelCFG.ini", "other.tmp", "target"}),
        dir_.Entries());
    EXPECT_EQ("kept", ReadFile(dir_ / "target"));

    live.LetGo();
    EXPECT_TRUE(WritePrivateProfileString(L"PhoneSet", L"mic", L"1", file_));
    EXPECT_EQ(
        (std::vector<std::string>{".profile-folder.tmp", ".profile-link.tmp", ".profile-notes.txt",
                                  "KestrelCFG.ini", "other.tmp", "target"}),
        dir_.Entries());
    EXPECT_EQ(2, GetPrivateProfileInt(L"PhoneSet", L"bell", 0, file_));
}

// Two processes write side by side: each one's cleaning never takes the other's file in the
// making for litter, so no write fails.
TEST_F(ProfileFailure, WritersSideBySideNeverRemoveEachOthersFiles) {
    WriteFile(file_, kOriginal);
    constexpr int kWrites = 300;
    auto writeMany = [&](const wchar_t* key) {
        int failed = 0;
        for (int i = 0; i < kWrites; ++i) {
            failed +=
                WritePrivateProfileString(L"PhoneSet", key, std::to_wstring(i), file_) ? 0 : 1;
        }
        return failed;
    };
    const pid_t other = ::fork();
    if (other == 0) {
        ::_exit(writeMany(L"mic") == 0 ? 0 : 1);
    }
    EXPECT_EQ(0, writeMany(L"contrast"));
    int status = 0;
    ASSERT_EQ(other, ::waitpid(other, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other writer failed";
    EXPECT_EQ(std::vector<std::string>{"KestrelCFG.ini"}, dir_.Entries());
}

// Another process rewrites the file as fast as it can; every read sees one whole version, and
// killing the writer at an arbitrary point leaves one whole version, and at most a temporary
// file that the next write removes.
TEST_F(ProfileFailure, ReadersAndAKilledWriterOnlyEverSeeWholeFiles) {
    std::string base = "[Bulk]\n";
    for (int i = 0; i < 16; ++i) {
        base += "filler" + std::to_string(i) + "=" + std::string(4000, 'f') + "\n";
    }
    const std::string versionA = base + "[PhoneSet]\nbell=" + std::string(4000, 'a') + "\n";
    const std::string versionB = base + "[PhoneSet]\nbell=" + std::string(4000, 'b') + "\n";
    WriteFile(file_, versionA);

    const pid_t writer = ::fork();
    if (writer == 0) {
        for (;;) {
            WritePrivateProfileString(L"PhoneSet", L"bell", std::wstring(4000, L'b'), file_);
            WritePrivateProfileString(L"PhoneSet", L"bell", std::wstring(4000, L'a'), file_);
        }
    }
    // Read until the writer has visibly replaced the file many times (bounded by a deadline).
    int torn = 0;
    int changes = 0;
    std::string previous = versionA;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (changes < 40 && std::chrono::steady_clock::now() < deadline) {
        const std::string seen = ReadFile(file_);
        if (seen != versionA && seen != versionB) {
            ++torn;
        } else if (seen != previous) {
            ++changes;
            previous = seen;
        }
        const std::wstring bell = GetPrivateProfileString(L"PhoneSet", L"bell", L"", file_);
        torn += (bell.size() != 4000) ? 1 : 0;
    }
    ::kill(writer, SIGKILL);
    ::waitpid(writer, nullptr, 0);
    EXPECT_EQ(0, torn);
    EXPECT_EQ(40, changes) << "the writer was not seen at work";
    const std::string last = ReadFile(file_);
    EXPECT_TRUE(last == versionA || last == versionB);
    EXPECT_TRUE(WriteBell(file_));
    EXPECT_EQ(std::vector<std::string>{"KestrelCFG.ini"}, dir_.Entries());
}

}  // namespace
}  // namespace platform
