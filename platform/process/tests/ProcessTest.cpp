// Starting programs: what runs, what does not, and what the child gets.
#include "platform/process/Process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace platform {
namespace {

namespace fs = std::filesystem;

class ProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = "/tmp/kestrel-process-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(pattern.data()));
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
    // Runs the program to its end and returns its exit status; -2 when it did not start.
    static int Run(const fs::path& program, const std::vector<std::string>& args,
                   const fs::path& cwd = "/") {
        const std::optional<ProcessId> child = StartProcess(program, args, cwd);
        return child ? WaitForProcess(*child) : -2;
    }
    fs::path dir;
};

TEST_F(ProcessTest, ProgramsStartAndMissingOnesDoNot) {
    EXPECT_TRUE(SpawnProcess("/bin/true", {}, "/"));
    EXPECT_EQ(0, Run("/bin/true", {}));
    EXPECT_EQ(1, Run("/bin/false", {}));
    EXPECT_EQ(0, Run("true", {}));  // found in PATH

    EXPECT_FALSE(SpawnProcess("/nonexistent/softphone", {}, "/"));
    EXPECT_FALSE(SpawnProcess("", {}, "/"));
    EXPECT_FALSE(SpawnProcess("/bin/true", {}, dir / "no-such-directory"));
    // A file that is not executable.
    const fs::path text = dir / "notes.txt";
    ASSERT_EQ(0, Run("/usr/bin/touch", {text.native()}));
    EXPECT_FALSE(SpawnProcess(text, {}, "/"));
}

TEST_F(ProcessTest, ArgumentsArriveUnchangedAndTheChildStartsInItsDirectory) {
    const fs::path before = fs::current_path();
    // Shell syntax in an argument stays part of a file name.
    const std::string tricky = "a b; $(echo x) 'q' \"*\"";
    ASSERT_EQ(0, Run("/usr/bin/touch", {tricky, "second"}, dir));
    EXPECT_TRUE(fs::exists(dir / tricky));
    EXPECT_TRUE(fs::exists(dir / "second"));
    EXPECT_EQ(2, std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    EXPECT_EQ(before, fs::current_path());
}

TEST_F(ProcessTest, TheChildInheritsNoDescriptorButTheStandardOnes) {
    // Opened without close-on-exec on purpose.
    const int leaky = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(leaky, 3);
    const std::string own = "/proc/self/fd/" + std::to_string(leaky);
    EXPECT_EQ(1, Run("/usr/bin/test", {"-e", own}));
    EXPECT_EQ(0, Run("/usr/bin/test", {"-e", "/proc/self/fd/2"}));
    ::close(leaky);
}

}  // namespace
}  // namespace platform
