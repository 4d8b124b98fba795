// SIGUSR1 to a running larkspurd writes the engine's LCD mirror as a PNG where it was asked to,
// and says so, or says why not, and keeps running.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/childprocess/ChildProcess.h"
#include "platform/png/tests/PngReadBack.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr milliseconds kPatience{10000};

struct Rgb {
    std::uint8_t red, green, blue;
    bool operator==(const Rgb&) const = default;
};
constexpr Rgb kFace{240, 240, 240};
constexpr Rgb kHighlight{255, 255, 255};
constexpr Rgb kShadow{160, 160, 160};
constexpr Rgb kDark{0, 0, 200};

// Reads the child's standard error until it holds `text`; false when it ends or the patience
// runs out first.
bool WaitForOutput(platform::ChildProcess& child, std::string& output, const std::string& text) {
    const Clock::time_point deadline = Clock::now() + kPatience;
    for (;;) {
        const bool open = child.ReadErrorOutput(output);
        if (output.find(text) != std::string::npos) {
            return true;
        }
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        pollfd ready{child.ErrorOutputFd(), POLLIN, 0};
        if (!open || left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
    }
}

std::optional<platform::ReadBackPng> ReadPng(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    return platform::ReadPngBack(bytes);
}

// A 160 x 96 mirror: the dialog face with the raised edge on its border, the bezel 8 pixels
// round the LCD at (16, 16), and in the LCD area the face or dark pixels, whatever the modes
// have drawn.
void ExpectMirror(const platform::ReadBackPng& png) {
    ASSERT_EQ(160u, png.width);
    ASSERT_EQ(96u, png.height);
    ASSERT_TRUE(png.colour);
    ASSERT_EQ(8, png.bitDepth);
    for (int y = 0; y < 96; ++y) {
        for (int x = 0; x < 160; ++x) {
            const std::uint8_t* p = &png.pixels[(static_cast<std::size_t>(y) * 160 + x) * 3];
            const Rgb pixel{p[0], p[1], p[2]};
            if (x >= 16 && x < 144 && y >= 16 && y < 80) {
                ASSERT_TRUE(pixel == kFace || pixel == kDark) << x << ", " << y;
                continue;
            }
            Rgb expected = kFace;
            if (y == 95 || x == 159) {
                expected = kShadow;
            } else if (y == 0 || x == 0) {
                expected = kHighlight;
            } else if ((y == 87 && x >= 8 && x <= 151) || (x == 151 && y >= 8 && y <= 87)) {
                expected = kHighlight;
            } else if ((y == 8 && x >= 8 && x < 151) || (x == 8 && y >= 8 && y < 87)) {
                expected = kShadow;
            }
            ASSERT_EQ(expected, pixel) << x << ", " << y;
        }
    }
}

TEST(LarkspurdLcdMirror, SigUsr1WritesTheMirrorWhereAskedOrSaysWhyNot) {
    const char* programDirectory = std::getenv("KESTREL_PROGRAM_DIR");
    ASSERT_NE(nullptr, programDirectory) << "run by CTest, which names the program directory";
    char pattern[] = "/tmp/larkspurd-mirror-XXXXXX";
    ASSERT_NE(nullptr, ::mkdtemp(pattern));
    const fs::path temporary = pattern;
    const fs::path runtime = temporary / "runtime";
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all);

    struct Case {
        std::vector<std::string> args;
        fs::path file;  // empty: none is written
        std::string line;
    };
    const fs::path missing = temporary / "missing" / "lcd.png";
    const Case cases[] = {
        {{},
         runtime / "kestrel-lcd.png",
         "larkspurd: LCD mirror written to " + (runtime / "kestrel-lcd.png").native() + "\n"},
        {{"--lcd-png", (temporary / "bug.png").native()},
         temporary / "bug.png",
         "larkspurd: LCD mirror written to " + (temporary / "bug.png").native() + "\n"},
        {{"--lcd-png", missing.native()},
         {},
         "larkspurd: cannot write the LCD mirror to " + missing.native() +
             ": writing the file failed\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        platform::ChildOptions options;
        options.program = fs::path(programDirectory) / "larkspurd";
        options.args = c.args;
        options.workingDirectory = programDirectory;
        options.pipeErrorOutput = true;
        options.environment = {{"XDG_RUNTIME_DIR", runtime.native()},
                               {"XDG_CONFIG_HOME", (temporary / "config").native()},
                               {"KESTREL_HANDSET_SOCKET", (temporary / "handset.sock").native()},
                               {"KESTREL_CLIENT_SOCKET", (temporary / "client.sock").native()}};
        auto child = platform::ChildProcess::Start(options);
        ASSERT_NE(nullptr, child);
        std::string output;
        ASSERT_TRUE(WaitForOutput(*child, output, " running\n")) << output;
        ASSERT_EQ(0, ::kill(child->Id(), SIGUSR1));
        EXPECT_TRUE(WaitForOutput(*child, output, c.line)) << output;
        child->Terminate();
        EXPECT_EQ((platform::ChildExit{false, 0}), child->WaitFor(kPatience)) << output;
        if (!c.file.empty()) {
            const std::optional<platform::ReadBackPng> png = ReadPng(c.file);
            ASSERT_TRUE(png.has_value()) << c.file;
            ExpectMirror(*png);
        }
    }
    EXPECT_FALSE(fs::exists(missing.parent_path()));
    fs::remove_all(temporary);
}

}  // namespace
