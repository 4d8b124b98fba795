// larkspurd refuses to run without a safe place for its lock, and says what is wrong and where
// rather than blaming another copy.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "platform/childprocess/ChildProcess.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

constexpr milliseconds kPatience{10000};

struct HostRun {
    std::optional<platform::ChildExit> exit;
    std::string errorOutput;
};

// larkspurd from `programDirectory`, without XDG_RUNTIME_DIR and with `temporary` as TMPDIR.
HostRun RunWithTemporaryDirectory(const fs::path& programDirectory, const fs::path& temporary) {
    platform::ChildOptions options;
    options.program = programDirectory / "larkspurd";
    options.workingDirectory = programDirectory;
    options.pipeErrorOutput = true;
    options.environment = {{"XDG_RUNTIME_DIR", ""},
                           {"TMPDIR", temporary.native()},
                           {"KESTREL_HANDSET_SOCKET", (temporary / "handset.sock").native()},
                           {"KESTREL_CLIENT_SOCKET", (temporary / "client.sock").native()}};
    HostRun run;
    auto child = platform::ChildProcess::Start(options);
    if (!child) {
        ADD_FAILURE() << "cannot start " << options.program;
        return run;
    }
    while (child->ReadErrorOutput(run.errorOutput)) {
        pollfd ready{child->ErrorOutputFd(), POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(kPatience.count())) <= 0) {
            break;
        }
    }
    run.exit = child->WaitFor(kPatience);
    return run;
}

TEST(LarkspurdRefusal, AnUnusableRuntimeDirectoryIsNamedForWhatItIs) {
    const char* programDirectory = std::getenv("KESTREL_PROGRAM_DIR");
    ASSERT_NE(nullptr, programDirectory) << "run by CTest, which names the program directory";
    char pattern[] = "/tmp/larkspurd-refusal-XXXXXX";
    ASSERT_NE(nullptr, ::mkdtemp(pattern));
    const fs::path temporary = pattern;
    const fs::path fallback = temporary / ("kestrel-" + std::to_string(::getuid()));
    struct Case {
        std::function<void()> make;
        std::string what;
    };
    const Case cases[] = {
        {[&] { std::ofstream(fallback) << "x"; }, " is not a directory"},
        {[&] { fs::create_directory_symlink(temporary, fallback); }, " is a symbolic link"},
        {[&] {
             fs::create_directory(fallback);
             fs::permissions(fallback, fs::perms::all);
         },
         " is open to other users"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.make();
        const HostRun run = RunWithTemporaryDirectory(programDirectory, temporary);
        EXPECT_EQ((platform::ChildExit{false, 1}), run.exit);
        EXPECT_EQ("larkspurd: no usable runtime directory: XDG_RUNTIME_DIR is not set and " +
                      fallback.native() + c.what + "\n",
                  run.errorOutput);
        fs::remove_all(fallback);
    }
    fs::remove_all(temporary);
}

}  // namespace
