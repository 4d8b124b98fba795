// Supervised children: what they get, what comes back through the pipe, and how they end.
#include "platform/childprocess/ChildProcess.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace platform {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

constexpr milliseconds kPatience{10000};

std::unique_ptr<ChildProcess> Shell(const std::string& script, ChildOptions options = {}) {
    options.program = "/bin/sh";
    options.args = {"-c", script};
    if (options.workingDirectory.empty()) {
        options.workingDirectory = "/";
    }
    return ChildProcess::Start(options);
}

// Everything the child writes to standard error until its side closes.
std::string AllErrorOutput(ChildProcess& child) {
    std::string out;
    while (child.ReadErrorOutput(out)) {
        pollfd ready{child.ErrorOutputFd(), POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(kPatience.count())) <= 0) {
            ADD_FAILURE() << "the output did not end";
            break;
        }
    }
    return out;
}

// Reads until `text` has been written (the child is then known to be past that point).
bool ReadUntil(ChildProcess& child, const std::string& text) {
    std::string out;
    while (out.find(text) == std::string::npos) {
        pollfd ready{child.ErrorOutputFd(), POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(kPatience.count())) <= 0 ||
            !child.ReadErrorOutput(out)) {
            return out.find(text) != std::string::npos;
        }
    }
    return true;
}

TEST(ChildProcessTest, StandardErrorComesThroughThePipeAndTheExitStatusIsKept) {
    auto child = Shell("echo first >&2; echo second >&2; echo not-here; exit 3");
    ASSERT_NE(nullptr, child);
    EXPECT_EQ("first\nsecond\n", AllErrorOutput(*child));
    EXPECT_EQ(-1, child->ErrorOutputFd());
    std::string more;
    EXPECT_FALSE(child->ReadErrorOutput(more));
    EXPECT_TRUE(more.empty());

    const std::optional<ChildExit> exit = child->WaitFor(kPatience);
    ASSERT_TRUE(exit);
    EXPECT_EQ((ChildExit{false, 3}), *exit);
    EXPECT_FALSE(exit->Succeeded());
    EXPECT_EQ("exit status 3", ToString(*exit));
    // Reaped once; asking again gives the same answer.
    EXPECT_EQ(exit, child->WaitFor(milliseconds(0)));
    EXPECT_TRUE(child->HasEnded());
}

TEST(ChildProcessTest, EnvironmentAdditionsReplaceOrAddAndTheRestIsInherited) {
    ASSERT_EQ(0, ::setenv("CHILDPROCESS_TEST_KEPT", "kept", 1));
    ASSERT_EQ(0, ::setenv("CHILDPROCESS_TEST_REPLACED", "old", 1));
    ChildOptions options;
    options.environment = {{"CHILDPROCESS_TEST_REPLACED", "new value"},
                           {"CHILDPROCESS_TEST_ADDED", "a=b"}};
    auto child = Shell("env >&2", options);
    ASSERT_NE(nullptr, child);
    const std::string env = "\n" + AllErrorOutput(*child);
    EXPECT_NE(std::string::npos, env.find("\nCHILDPROCESS_TEST_KEPT=kept\n"));
    EXPECT_NE(std::string::npos, env.find("\nCHILDPROCESS_TEST_REPLACED=new value\n"));
    EXPECT_EQ(std::string::npos, env.find("CHILDPROCESS_TEST_REPLACED=old"));
    EXPECT_NE(std::string::npos, env.find("\nCHILDPROCESS_TEST_ADDED=a=b\n"));
    ::unsetenv("CHILDPROCESS_TEST_KEPT");
    ::unsetenv("CHILDPROCESS_TEST_REPLACED");
}

TEST(ChildProcessTest, TheChildRunsInItsDirectoryWithNoDescriptorOfOurs) {
    const fs::path directory = fs::temp_directory_path();
    const fs::path ours = fs::current_path();
    const int leaky = ::open("/dev/null", O_RDONLY);  // without close-on-exec on purpose
    ASSERT_GE(leaky, 3);
    ChildOptions options;
    options.workingDirectory = directory;
    auto child = Shell(
        "pwd >&2; test -e /proc/self/fd/" + std::to_string(leaky) + " && echo leaked >&2", options);
    ASSERT_NE(nullptr, child);
    EXPECT_EQ(fs::canonical(directory).native() + "\n", AllErrorOutput(*child));
    ::close(leaky);
    EXPECT_EQ(ours, fs::current_path());
}

TEST(ChildProcessTest, ProgramsThatCannotStartGiveNothing) {
    EXPECT_EQ(nullptr, ChildProcess::Start({"/nonexistent/program", {}, "/", {}}));
    EXPECT_EQ(nullptr, ChildProcess::Start({"", {}, "/", {}}));
    EXPECT_EQ(nullptr, ChildProcess::Start({"/bin/true", {}, "/nonexistent/directory", {}}));
    EXPECT_EQ(nullptr, ChildProcess::Start({"/bin/true", {}, "", {}}));
}

TEST(ChildProcessTest, TerminateEndsAChildEvenWhenTheParentBlocksTheSignal) {
    // A parent that takes its signals through a signal descriptor blocks them; the child must
    // not inherit that.
    sigset_t term;
    sigset_t previous;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    ASSERT_EQ(0, ::pthread_sigmask(SIG_BLOCK, &term, &previous));
    auto child = Shell("echo ready >&2; exec sleep 30");
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ASSERT_NE(nullptr, child);
    ASSERT_TRUE(ReadUntil(*child, "ready"));
    EXPECT_FALSE(child->HasEnded());

    child->Terminate();
    const std::optional<ChildExit> exit = child->WaitFor(kPatience);
    ASSERT_TRUE(exit);
    EXPECT_EQ((ChildExit{true, SIGTERM}), *exit);
    EXPECT_EQ("signal 15", ToString(*exit));
}

TEST(ChildProcessTest, AChildThatIgnoresTerminateOutlivesTheWaitUntilKilled) {
    auto child = Shell("trap '' TERM; echo ready >&2; while :; do sleep 0.05; done");
    ASSERT_NE(nullptr, child);
    ASSERT_TRUE(ReadUntil(*child, "ready"));
    child->Terminate();
    EXPECT_FALSE(child->WaitFor(milliseconds(200)));
    child->Kill();
    const std::optional<ChildExit> exit = child->WaitFor(kPatience);
    ASSERT_TRUE(exit);
    EXPECT_EQ((ChildExit{true, SIGKILL}), *exit);
}

TEST(ChildProcessTest, DestroyingTheObjectKillsAndReapsARunningChild) {
    auto child = Shell("exec sleep 30");
    ASSERT_NE(nullptr, child);
    const int pid = child->Id();
    ASSERT_EQ(0, ::kill(pid, 0));
    child.reset();
    EXPECT_EQ(-1, ::kill(pid, 0));  // gone, and no zombie holds the id
    EXPECT_EQ(ESRCH, errno);
}

}  // namespace
}  // namespace platform
