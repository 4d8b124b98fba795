// The XTest backend for real: keys injected into a private Xvfb reach the focused window exactly;
// without a usable display, one warning and a prompt return.
#include "platform/keys/XTestKeystrokes.h"

#include <gtest/gtest.h>
#include <stddef.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/keys/Keystrokes.h"
#include "platform/keys/tests/FocusedWindow.h"
#include "platform/keys/tests/XvfbServer.h"

namespace platform {
namespace {

using namespace std::chrono_literals;

constexpr std::uint8_t kScanCode = 0x45;

void Down(std::uint8_t virtualKey) {
    keybd_event(virtualKey, kScanCode, KEYEVENTF_EXTENDEDKEY);
}

void Up(std::uint8_t virtualKey) {
    keybd_event(virtualKey, kScanCode, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP);
}

// With Shift held, as the dial keys for the star, the hash and the plus are sent.
void Shifted(std::uint8_t virtualKey) {
    Down(0xA0);
    Down(virtualKey);
    Up(virtualKey);
    Up(0xA0);
}

// $DISPLAY set (or unset) for one test, restored after it.
class ScopedDisplay {
  public:
    explicit ScopedDisplay(const std::optional<std::string>& value) {
        if (const char* old = std::getenv("DISPLAY")) {
            old_ = old;
        }
        Set(value);
    }
    ~ScopedDisplay() { Set(old_); }
    ScopedDisplay(const ScopedDisplay&) = delete;
    ScopedDisplay& operator=(const ScopedDisplay&) = delete;

  private:
    static void Set(const std::optional<std::string>& value) {
        if (value) {
            setenv("DISPLAY", value->c_str(), 1);
        } else {
            unsetenv("DISPLAY");
        }
    }
    std::optional<std::string> old_;
};

// `backend` as the process's backend for one test.
class ScopedBackend {
  public:
    explicit ScopedBackend(KeystrokeBackend& backend) : before_(SetKeystrokeBackend(&backend)) {}
    ~ScopedBackend() { SetKeystrokeBackend(before_); }
    ScopedBackend(const ScopedBackend&) = delete;
    ScopedBackend& operator=(const ScopedBackend&) = delete;

  private:
    KeystrokeBackend* before_;
};

// A local X display number that nothing serves; with `listen`, a socket that takes connections
// on it (Xlib tries the abstract name first) and never answers them.
class UnservedDisplay {
  public:
    explicit UnservedDisplay(bool listen) {
        for (int number = 400; number < 500 && fd_ < 0; ++number) {
            std::string path = "/tmp/.X11-unix/X";
            path += std::to_string(number);
            struct stat ignored;
            if (stat(path.c_str(), &ignored) == 0) {
                continue;
            }
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            path.copy(address.sun_path + 1, path.size());
            const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const auto length =
                static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + path.size());
            if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                (!listen || ::listen(fd, 4) == 0)) {
                fd_ = fd;
                name_.push_back(':');
                name_ += std::to_string(number);
            } else {
                close(fd);
            }
        }
        if (!listen && fd_ >= 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~UnservedDisplay() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    UnservedDisplay(const UnservedDisplay&) = delete;
    UnservedDisplay& operator=(const UnservedDisplay&) = delete;

    const std::string& Name() const { return name_; }  // empty when every number was taken

  private:
    int fd_ = -1;
    std::string name_;
};

std::string Warning(const std::string& why) {
    std::string line = "kestrel: ";
    line += why;
    line += ": dial tones and keystrokes are not sent\n";
    return line;
}

// Escape and a digit, down and up, through a fresh backend: what it wrote on stderr.
std::string SendThroughFreshBackend() {
    XTestKeystrokes xtest(200ms);
    ScopedBackend installed(xtest);
    testing::internal::CaptureStderr();
    Down(0x1B);
    Up(0x1B);
    Down('5');
    Up('5');
    return testing::internal::GetCapturedStderr();
}

TEST(XTestKeystrokes, WithoutAUsableDisplayWarnsOnceAndReturnsPromptly) {
    {
        SCOPED_TRACE("DISPLAY unset");
        ScopedDisplay display(std::nullopt);
        EXPECT_EQ(SendThroughFreshBackend(), Warning("no X display reachable (DISPLAY unset)"));
    }
    {
        SCOPED_TRACE("nothing serves the display");
        UnservedDisplay unserved(false);
        ASSERT_FALSE(unserved.Name().empty());
        ScopedDisplay display(unserved.Name());
        std::string why = "no X display reachable (DISPLAY=";
        why += unserved.Name();
        why += " cannot be opened)";
        EXPECT_EQ(SendThroughFreshBackend(), Warning(why));
    }
    {
        SCOPED_TRACE("a server that never answers");
        UnservedDisplay silent(true);
        ASSERT_FALSE(silent.Name().empty());
        ScopedDisplay display(silent.Name());
        const auto start = std::chrono::steady_clock::now();
        std::string why = "no X display reachable (DISPLAY=";
        why += silent.Name();
        why += " did not answer within 200 ms)";
        EXPECT_EQ(SendThroughFreshBackend(), Warning(why));
        // One wait of 200 ms for the open, not one per event and not Xlib's own (endless) one.
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    }
}

class XTestKeystrokesUnderXvfb : public testing::Test {
  protected:
    void SetUp() override {
        if (!XvfbServer::Installed()) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
    }
};

TEST_F(XTestKeystrokesUnderXvfb, FocusedWindowReceivesExactlyTheKeysSentInOrder) {
    XvfbServer server;
    ASSERT_FALSE(server.Display().empty()) << server.Failure();
    FocusedWindow window(server.Display());
    ASSERT_EQ(window.Failure(), "");
    ScopedDisplay display(server.Display());
    XTestKeystrokes xtest;
    {
        ScopedBackend installed(xtest);
        Down(0x1B);  // Escape
        Up(0x1B);
        Down('5');
        Up('5');
        Down(0xFF);  // no key: nothing
        Up(0xFF);
        Shifted(0x38);  // the star
        Shifted(0x33);  // the hash
        Shifted(0x6B);  // the plus, on the numeric pad
        Down(0x0D);     // Return: the last key, so that nothing sent before it can still arrive
        Up(0x0D);
    }
    const std::vector<ReceivedKey> expected = {
        {true, "Escape", "\x1b"}, {false, "Escape", "\x1b"}, {true, "5", "5"},
        {false, "5", "5"},        {true, "Shift_L", ""},     {true, "8", "*"},
        {false, "8", "*"},        {false, "Shift_L", ""},    {true, "Shift_L", ""},
        {true, "3", "#"},         {false, "3", "#"},         {false, "Shift_L", ""},
        {true, "Shift_L", ""},    {true, "KP_Add", "+"},     {false, "KP_Add", "+"},
        {false, "Shift_L", ""},   {true, "Return", "\r"},    {false, "Return", "\r"},
    };
    EXPECT_EQ(window.KeysUntilReleaseOf("Return", 10s), expected);
}

TEST_F(XTestKeystrokesUnderXvfb, ServerWithoutXTestWarnsOnce) {
    XvfbServer server({"-extension", "XTEST"});
    ASSERT_FALSE(server.Display().empty()) << server.Failure();
    ScopedDisplay display(server.Display());
    std::string why = "no X display reachable (DISPLAY=";
    why += server.Display();
    why += " has no XTEST extension)";
    EXPECT_EQ(SendThroughFreshBackend(), Warning(why));
}

TEST_F(XTestKeystrokesUnderXvfb, ServerGoingAwayWarnsOnceAndTheProcessGoesOn) {
    XvfbServer server;
    ASSERT_FALSE(server.Display().empty()) << server.Failure();
    ScopedDisplay display(server.Display());
    XTestKeystrokes xtest;
    ScopedBackend installed(xtest);
    {
        FocusedWindow window(server.Display());
        ASSERT_EQ(window.Failure(), "");
        Down(0x1B);
        Up(0x1B);
        ASSERT_EQ(window.KeysUntilReleaseOf("Escape", 10s).size(), 2u);
    }
    server.Stop();

    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) {
        Down('5');
        Up('5');
    }
    const std::string output = testing::internal::GetCapturedStderr();
    std::string why = "the X display (DISPLAY=";
    why += server.Display();
    why += ") went away";
    EXPECT_EQ(output, Warning(why));
}

}  // namespace
}  // namespace platform
