// Children: what starts and what does not, what they get, what comes back through the pipe, how
// they end, and the detached ones that nobody waits for.
#include "platform/childprocess/ChildProcess.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

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
    options.pipeErrorOutput = true;
    return ChildProcess::Start(options);
}

// Runs the program, its standard error ours, to its end; nothing when it did not start.
std::optional<ChildExit> RunToEnd(const fs::path& program, const std::vector<std::string>& args,
                                  const fs::path& workingDirectory = "/") {
    auto child = ChildProcess::Start({program, args, workingDirectory, {}});
    return child ? child->WaitFor(kPatience) : std::nullopt;
}

// Whether `done` comes to hold within the patience, looking again every few milliseconds: for
// what another process does, which nothing here is told of.
bool Eventually(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(5));
    }
    return true;
}

class TemporaryDirectory {
  public:
    TemporaryDirectory() {
        std::string pattern = (fs::temp_directory_path() / "kestrel-child-XXXXXX").native();
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TemporaryDirectory() {
        std::error_code error;
        fs::remove_all(path_, error);
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

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

// A chatty child's output goes to a file of its own, appended, while the pipe still takes its
// standard error when asked for; a file that cannot be opened starts nothing.
TEST(ChildProcessTest, TheOutputFileTakesStandardOutputAndErrorAppended) {
    const TemporaryDirectory dir;
    ASSERT_FALSE(dir.Path().empty());
    const fs::path log = dir.Path() / "child.log";
    std::ofstream(log) << "before\n";
    ChildOptions options;
    options.program = "/bin/sh";
    options.args = {"-c", "echo out; echo err >&2; exit 5"};
    options.workingDirectory = "/";
    options.outputFile = log;
    auto both = ChildProcess::Start(options);
    ASSERT_NE(nullptr, both);
    EXPECT_EQ(-1, both->ErrorOutputFd());
    EXPECT_EQ((ChildExit{false, 5}), both->WaitFor(kPatience));
    std::stringstream written;
    written << std::ifstream(log).rdbuf();
    EXPECT_EQ("before\nout\nerr\n", written.str());

    const fs::path fresh = dir.Path() / "fresh.log";
    options.outputFile = fresh;
    options.pipeErrorOutput = true;
    auto piped = ChildProcess::Start(options);
    ASSERT_NE(nullptr, piped);
    EXPECT_EQ("err\n", AllErrorOutput(*piped));
    EXPECT_EQ((ChildExit{false, 5}), piped->WaitFor(kPatience));
    std::stringstream onlyOut;
    onlyOut << std::ifstream(fresh).rdbuf();
    EXPECT_EQ("out\n", onlyOut.str());
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write,
              fs::status(fresh).permissions() & fs::perms::all);

    options.outputFile = dir.Path() / "missing" / "child.log";
    EXPECT_EQ(nullptr, ChildProcess::Start(options));
    EXPECT_FALSE(StartDetached(options));
}

TEST(ChildProcessTest, EnvironmentAdditionsReplaceOrAddAndTheRestIsInherited) {
    ASSERT_EQ(0, ::setenv("CHILDPROCESS_TEST_KEPT", "kept", 1));
    ASSERT_EQ(0, ::setenv("CHILDPROCESS_TEST_REPLACED", "old", 1));
    ChildOptions options;
    options.environment = {{"CHILDPROCESS_TEST_REPLACED", "new value"},
                           {"CHILDPROCESS_TEST_ADDED", "a=b"}};
    auto child = Shell("env >&2", options);
    ASSERT_NE(nullptr, child);
    // Appended rather than "\n" + ...: GCC 12 at -O3 reports a false -Wrestrict for that.
    std::string env = "\n";
    env += AllErrorOutput(*child);
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
    const std::string leakyPath = "/proc/self/fd/" + std::to_string(leaky);
    ChildOptions options;
    options.workingDirectory = directory;
    auto child = Shell("pwd >&2; test -e " + leakyPath + " && echo leaked >&2", options);
    ASSERT_NE(nullptr, child);
    EXPECT_EQ(fs::canonical(directory).native() + "\n", AllErrorOutput(*child));
    // Without a pipe the standard three are this process's, and still nothing else is.
    EXPECT_EQ((ChildExit{false, 1}), RunToEnd("/usr/bin/test", {"-e", leakyPath}));
    EXPECT_EQ((ChildExit{false, 0}), RunToEnd("/usr/bin/test", {"-e", "/proc/self/fd/2"}));
    ::close(leaky);
    EXPECT_EQ(ours, fs::current_path());
}

TEST(ChildProcessTest, ArgumentsArriveUnchangedWithNoShellBetween) {
    const TemporaryDirectory dir;
    ASSERT_FALSE(dir.Path().empty());
    // Shell syntax in an argument stays part of a file name.
    const std::string tricky = "a b; $(echo x) 'q' \"*\"";
    EXPECT_EQ((ChildExit{false, 0}), RunToEnd("/usr/bin/touch", {tricky, "second"}, dir.Path()));
    EXPECT_TRUE(fs::exists(dir.Path() / tricky));
    EXPECT_TRUE(fs::exists(dir.Path() / "second"));
    EXPECT_EQ(2, std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()));
}

TEST(ChildProcessTest, ABareNameIsLookedUpInPath) {
    EXPECT_EQ((ChildExit{false, 0}), RunToEnd("true", {}));
    EXPECT_EQ((ChildExit{false, 4}), RunToEnd("sh", {"-c", "exit 4"}));
    EXPECT_EQ(std::nullopt, RunToEnd("kestrel-no-such-program", {}));
}

TEST(ChildProcessTest, ProgramsThatCannotStartGiveNothingHoweverStarted) {
    const TemporaryDirectory dir;
    ASSERT_FALSE(dir.Path().empty());
    const fs::path text = dir.Path() / "notes.txt";  // a file that is not executable
    std::ofstream(text) << "notes";
    const ChildOptions cases[] = {
        {"/nonexistent/program", {}, "/", {}},
        {"", {}, "/", {}},
        {"/bin/true", {}, "/nonexistent/directory", {}},
        {"/bin/true", {}, "", {}},
        {text, {}, "/", {}},
    };
    for (ChildOptions options : cases) {
        SCOPED_TRACE(options.program.native() + " in " + options.workingDirectory.native());
        EXPECT_FALSE(StartDetached(options));
        EXPECT_EQ(nullptr, ChildProcess::Start(options));
        options.pipeErrorOutput = true;
        EXPECT_EQ(nullptr, ChildProcess::Start(options));
    }
}

// A program started on its own gets its options, and is reaped when it ends: no zombie keeps
// its id.
TEST(ChildProcessTest, ADetachedChildIsReapedInTheBackground) {
    const TemporaryDirectory dir;
    ASSERT_FALSE(dir.Path().empty());
    const fs::path said = dir.Path() / "said";
    ASSERT_TRUE(
        StartDetached({"sh",
                       {"-c", "echo \"$$ $KESTREL_CHILD_TEST\" > said.tmp && mv said.tmp said"},
                       dir.Path(),
                       {{"KESTREL_CHILD_TEST", "given"}}}));
    ASSERT_TRUE(Eventually([&] { return fs::exists(said); }));
    std::ifstream in(said);
    int pid = 0;
    std::string value;
    in >> pid >> value;
    EXPECT_EQ("given", value);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(Eventually([&] { return ::kill(pid, 0) != 0 && errno == ESRCH; }));
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
