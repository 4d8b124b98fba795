// The single-instance lock, the runtime directory it lives in, and signals through the loop.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/files/RuntimeDirectory.h"
#include "platform/instance/InstanceBeacon.h"
#include "platform/instance/InstanceLock.h"
#include "platform/instance/TerminationSignals.h"
#include "platform/instance/UserSignal.h"
#include "platform/loop/MessageLoop.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for the scope, and puts back what was there.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        const char* saved = std::getenv(name);
        if (saved != nullptr) {
            saved_ = saved;
        }
        value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnvironment() { saved_ ? ::setenv(name_, saved_->c_str(), 1) : ::unsetenv(name_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    const char* name_;
    std::optional<std::string> saved_;
};

class InstanceLockTest : public ::testing::Test {
  protected:
    InstanceLockTest() {
        char pattern[] = "/tmp/kestrel-lock-XXXXXX";
        dir = mkdtemp(pattern);
    }
    ~InstanceLockTest() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(InstanceLockTest, ASecondHolderIsRefusedUntilTheFirstLetsGo) {
    LockAttempt first = InstanceLock::Acquire("Larkspur", dir);
    ASSERT_NE(nullptr, first.lock);
    EXPECT_EQ(LockOutcome::kTaken, first.outcome);
    EXPECT_EQ("", first.problem);
    const LockAttempt second = InstanceLock::Acquire("Larkspur", dir);
    EXPECT_EQ(nullptr, second.lock);
    EXPECT_EQ(LockOutcome::kHeldElsewhere, second.outcome);
    EXPECT_EQ("another copy is already running for this user", second.problem);
    EXPECT_NE(nullptr, InstanceLock::Acquire("Other", dir).lock);
    first.lock.reset();
    EXPECT_NE(nullptr, InstanceLock::Acquire("Larkspur", dir).lock);
}

TEST_F(InstanceLockTest, AnotherProcessIsRefusedWhileTheLockIsHeld) {
    const LockAttempt held = InstanceLock::Acquire("Larkspur", dir);
    ASSERT_NE(nullptr, held.lock);
    const pid_t child = fork();
    if (child == 0) {
        _exit(InstanceLock::Acquire("Larkspur", dir).outcome == LockOutcome::kHeldElsewhere ? 0
                                                                                            : 1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
}

// A lock that cannot be had for want of a place is never taken for another copy running.
TEST_F(InstanceLockTest, ALockWithoutAPlaceSaysWhatIsWrongAndWhere) {
    const LockAttempt missing = InstanceLock::Acquire("Larkspur", dir / "gone");
    EXPECT_EQ(LockOutcome::kCannotUseFile, missing.outcome);
    EXPECT_EQ("cannot open the lock file " + (dir / "gone" / "Larkspur.lock").native() +
                  ": No such file or directory",
              missing.problem);

    fs::create_directory_symlink(dir, dir / "elsewhere");
    fs::create_symlink(dir / "elsewhere", dir / "Larkspur.lock");
    const LockAttempt linked = InstanceLock::Acquire("Larkspur", dir);
    EXPECT_EQ(LockOutcome::kCannotUseFile, linked.outcome);
    EXPECT_NE(std::string::npos, linked.problem.find((dir / "Larkspur.lock").native()));

    const ScopedEnvironment runtime("XDG_RUNTIME_DIR", nullptr);
    const ScopedEnvironment temporary("TMPDIR", dir.c_str());
    const fs::path fallback = dir / ("kestrel-" + std::to_string(getuid()));
    fs::create_directory_symlink(dir, fallback);
    const LockAttempt unsafe = InstanceLock::Acquire("Larkspur");
    EXPECT_EQ(nullptr, unsafe.lock);
    EXPECT_EQ(LockOutcome::kNoRuntimeDirectory, unsafe.outcome);
    EXPECT_EQ("no usable runtime directory: XDG_RUNTIME_DIR is not set and " + fallback.native() +
                  " is a symbolic link",
              unsafe.problem);
}

TEST_F(InstanceLockTest, TheRuntimeDirectoryIsTheSessionsOrAPrivateFallback) {
    {
        const ScopedEnvironment runtime("XDG_RUNTIME_DIR", dir.c_str());
        EXPECT_EQ(dir, RuntimeDirectory());
    }
    const ScopedEnvironment runtime("XDG_RUNTIME_DIR", "");
    const ScopedEnvironment temporary("TMPDIR", dir.c_str());
    const fs::path fallback = RuntimeDirectory();
    EXPECT_EQ(dir / ("kestrel-" + std::to_string(getuid())), fallback);
    EXPECT_EQ(fs::perms::owner_all, fs::status(fallback).permissions() & fs::perms::all);
    EXPECT_EQ(fallback, RuntimeDirectory());  // made once, then used as it is
}

// Every way the fallback can be unusable, each told apart, none followed or repaired.
TEST_F(InstanceLockTest, AnUnusableFallbackIsRefusedForWhatItIs) {
    const std::uint32_t me = getuid();
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> make;
        std::uint32_t owner;
        RuntimeDirectoryFault fault;
        std::string description;  // after "XDG_RUNTIME_DIR is not set and <path>"
    };
    const Case cases[] = {
        {"a file", [](const fs::path& p) { std::ofstream(p) << "x"; }, me,
         RuntimeDirectoryFault::kNotADirectory, " is not a directory"},
        {"a link to a private directory",
         [&](const fs::path& p) {
             fs::create_directory(dir / "target");
             fs::permissions(dir / "target", fs::perms::owner_all);
             fs::create_directory_symlink(dir / "target", p);
         },
         me, RuntimeDirectoryFault::kSymbolicLink, " is a symbolic link"},
        {"a dangling link", [&](const fs::path& p) { fs::create_symlink(dir / "nowhere", p); }, me,
         RuntimeDirectoryFault::kSymbolicLink, " is a symbolic link"},
        {"world-writable",
         [](const fs::path& p) {
             fs::create_directory(p);
             fs::permissions(p, fs::perms::all);
         },
         me, RuntimeDirectoryFault::kOpenToOthers, " is open to other users"},
        {"readable by the group",
         [](const fs::path& p) {
             fs::create_directory(p);
             fs::permissions(p, fs::perms::owner_all | fs::perms::group_read);
         },
         me, RuntimeDirectoryFault::kOpenToOthers, " is open to other users"},
        {"another user's", [](const fs::path& p) { ::mkdir(p.c_str(), 0700); }, me + 1,
         RuntimeDirectoryFault::kOtherOwner, " belongs to another user"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path fallback = dir / "fallback";
        c.make(fallback);
        const RuntimeDirectoryStatus status = PrepareFallbackDirectory(fallback, c.owner);
        EXPECT_EQ(c.fault, status.fault);
        EXPECT_EQ(fallback, status.path);
        EXPECT_EQ("XDG_RUNTIME_DIR is not set and " + fallback.native() + c.description,
                  Describe(status));
        fs::remove_all(dir);
        fs::create_directory(dir);
    }
    const RuntimeDirectoryStatus uncreatable =
        PrepareFallbackDirectory(dir / "missing" / "fallback", me);
    EXPECT_EQ(RuntimeDirectoryFault::kCannotCreate, uncreatable.fault);
    EXPECT_EQ("XDG_RUNTIME_DIR is not set and cannot create " +
                  (dir / "missing" / "fallback").native() + ": No such file or directory",
              Describe(uncreatable));
}

// A second copy's call reaches the first copy's loop once and is answered; without a listener,
// or with one that does not serve its loop, the call ends in its time.
TEST_F(InstanceLockTest, TheBeaconAnswersACallOnTheListenersLoop) {
    using Result = InstanceBeacon::CallResult;
    using std::chrono::milliseconds;
    EXPECT_EQ(Result::kNoAnswer, InstanceBeacon::Call("Larkspur", milliseconds(100), dir));

    MessageLoop loop;
    int calls = 0;
    auto beacon = InstanceBeacon::Listen(
        loop, "Larkspur", [&] { ++calls; }, dir);
    ASSERT_NE(nullptr, beacon);
    // The loop is not served: the caller gives up.
    EXPECT_EQ(Result::kNoAnswer, InstanceBeacon::Call("Larkspur", milliseconds(100), dir));
    loop.ProcessReady();
    EXPECT_EQ(1, calls);  // that call was still waiting, and is taken now

    Result result = Result::kNoAnswer;
    std::thread caller([&] { result = InstanceBeacon::Call("Larkspur", milliseconds(5000), dir); });
    while (calls < 2 && loop.WaitForPost(milliseconds(5000))) {
        loop.ProcessReady();
    }
    caller.join();
    EXPECT_EQ(Result::kAnswered, result);
    EXPECT_EQ(2, calls);

    beacon.reset();
    EXPECT_FALSE(fs::exists(dir / "Larkspur.beacon"));
    // A live listener keeps its path.
    {
        MessageLoop other;
        auto first = InstanceBeacon::Listen(
            other, "Larkspur", [] {}, dir);
        ASSERT_NE(nullptr, first);
        EXPECT_EQ(nullptr, InstanceBeacon::Listen(
                               other, "Larkspur", [] {}, dir));
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

TEST(UserSignal, ArrivesOnTheLoopBesideTheTerminationSignalsAndApartFromThem) {
    MessageLoop loop;
    std::vector<std::string> received;
    TerminationSignals termination(loop, [&](int signal) {
        received.push_back(signal == SIGINT ? "INT" : "TERM");
        loop.Quit(0);
    });
    UserSignal user(loop, [&] {
        received.push_back("USR1");
        loop.Quit(0);
    });
    for (int signal : {SIGUSR1, SIGINT, SIGUSR1}) {
        kill(getpid(), signal);
        EXPECT_EQ(0, loop.Run());
    }
    EXPECT_EQ((std::vector<std::string>{"USR1", "INT", "USR1"}), received);
}

}  // namespace
}  // namespace platform
