// The single-instance lock and termination signals through the loop.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/files/RuntimeDirectory.h"
#include "platform/instance/InstanceLock.h"
#include "platform/instance/TerminationSignals.h"

namespace platform {
namespace {

class InstanceLockTest : public ::testing::Test {
  protected:
    InstanceLockTest() {
        char pattern[] = "/tmp/kestrel-lock-XXXXXX";
        dir = mkdtemp(pattern);
    }
    ~InstanceLockTest() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

TEST_F(InstanceLockTest, ASecondHolderIsRefusedUntilTheFirstLetsGo) {
    auto first = InstanceLock::Acquire("Larkspur", dir);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(nullptr, InstanceLock::Acquire("Larkspur", dir));
    EXPECT_NE(nullptr, InstanceLock::Acquire("Other", dir));
    first.reset();
    EXPECT_NE(nullptr, InstanceLock::Acquire("Larkspur", dir));
}

TEST_F(InstanceLockTest, AnotherProcessIsRefusedWhileTheLockIsHeld) {
    auto held = InstanceLock::Acquire("Larkspur", dir);
    ASSERT_NE(nullptr, held);
    const pid_t child = fork();
    if (child == 0) {
        _exit(InstanceLock::Acquire("Larkspur", dir) == nullptr ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
}

TEST_F(InstanceLockTest, TheRuntimeDirectoryFallbackIsPrivate) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string keep = saved ? saved : "";
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    EXPECT_EQ(dir, RuntimeDirectory());
    unsetenv("XDG_RUNTIME_DIR");
    const std::filesystem::path fallback = RuntimeDirectory();
    ASSERT_FALSE(fallback.empty());
    EXPECT_EQ(std::filesystem::perms::owner_all,
              std::filesystem::status(fallback).permissions() & std::filesystem::perms::all);
    if (saved) {
        setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
    }
}

TEST(TerminationSignals, ASignalArrivesOnTheLoop) {
    MessageLoop loop;
    int received = 0;
    TerminationSignals signals(loop, [&](int signal) {
        received = signal;
        loop.Quit(3);
    });
    kill(getpid(), SIGTERM);
    EXPECT_EQ(3, loop.Run());
    EXPECT_EQ(SIGTERM, received);
}

}  // namespace
}  // namespace platform
