// The socket path rules, connecting and listening, and the refusal of other users' peers.
#include "platform/clientlink/ClientSocket.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/clientlink/tests/ClientTestSupport.h"

namespace platform {
namespace {

using platform::testing::TempDir;

constexpr std::uint32_t kNobody = 65534;

// Sets or clears an environment variable for the length of a test.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

mode_t ModeOf(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(0, ::lstat(path.c_str(), &info));
    return info.st_mode & 07777;
}

// Waits, in real time and bounded, until `fd` is readable.
bool Readable(int fd) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, 5000) == 1;
}

std::vector<std::string> ReadAll(FrameStream& stream) {
    std::vector<std::string> frames;
    while (Readable(stream.Fd()) && stream.ReadFrames(frames) == FrameStream::ReadResult::kOk &&
           frames.empty()) {
    }
    return frames;
}

TEST(ClientSocketPath, ExplicitPathFirstThenTheRuntimeDirectory) {
    {
        ScopedEnv socket("KESTREL_CLIENT_SOCKET", "/somewhere/phone.sock");
        ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/1000");
        EXPECT_EQ("/somewhere/phone.sock", ClientSocketPath());
    }
    ScopedEnv socket("KESTREL_CLIENT_SOCKET", "");
    ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/1000");
    EXPECT_EQ("/run/user/1000/kestrel-client.sock", ClientSocketPath());
}

TEST(ClientSocket, ConnectsToAListenerAndCarriesFramesBothWays) {
    TempDir temp;
    const std::filesystem::path path = temp / "client.sock";
    EXPECT_EQ(std::nullopt, ConnectToClient(path, CurrentUserId()));  // nobody listens yet

    std::unique_ptr<ClientListener> listener = ClientListener::Listen(path, CurrentUserId());
    ASSERT_NE(nullptr, listener);
    EXPECT_EQ(0600u, ModeOf(path));
    EXPECT_EQ(std::nullopt, listener->Accept());  // nothing waits

    std::optional<FrameStream> link = ConnectToClient(path, CurrentUserId());
    ASSERT_TRUE(link);
    ASSERT_TRUE(Readable(listener->Fd()));
    std::optional<FrameStream> client = listener->Accept();
    ASSERT_TRUE(client);

    EXPECT_TRUE(client->Send("ATTACH 0 sim-1"));
    EXPECT_EQ(std::vector<std::string>{"ATTACH 0 sim-1"}, ReadAll(*link));
    EXPECT_TRUE(link->Send("protocol 5"));
    EXPECT_EQ(std::vector<std::string>{"protocol 5"}, ReadAll(*client));
}

TEST(ClientSocket, ListenerRemovesItsSocketButNotASuccessors) {
    TempDir temp;
    const std::filesystem::path path = temp / "client.sock";
    ClientListener::Listen(path, CurrentUserId()).reset();
    EXPECT_FALSE(std::filesystem::exists(path));

    auto first = ClientListener::Listen(path, CurrentUserId());
    ASSERT_NE(nullptr, first);
    std::filesystem::remove(path);
    auto second = ClientListener::Listen(path, CurrentUserId());
    ASSERT_NE(nullptr, second);
    first.reset();
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(ConnectToClient(path, CurrentUserId()));
}

TEST(ClientSocket, ListenTakesOverOnlyAStaleSocket) {
    TempDir temp;
    const std::filesystem::path path = temp / "client.sock";
    auto live = ClientListener::Listen(path, CurrentUserId());
    ASSERT_NE(nullptr, live);
    EXPECT_EQ(nullptr, ClientListener::Listen(path, CurrentUserId()));

    // A socket file left behind by a listener that died.
    const std::filesystem::path stale = temp / "stale.sock";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, stale.c_str());
    ASSERT_EQ(0, ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ::close(fd);
    auto replacement = ClientListener::Listen(stale, CurrentUserId());
    ASSERT_NE(nullptr, replacement);
    EXPECT_TRUE(ConnectToClient(stale, CurrentUserId()));

    // Whatever is not a socket is never deleted.
    const std::filesystem::path file = temp / "notes.txt";
    std::ofstream(file) << "keep me";
    EXPECT_EQ(nullptr, ClientListener::Listen(file, CurrentUserId()));
    std::ifstream in(file);
    std::string kept;
    std::getline(in, kept);
    EXPECT_EQ("keep me", kept);
}

TEST(ClientSocket, PathsThatDoNotFitASocketAddressFailQuietly) {
    const std::filesystem::path tooLong = "/tmp/" + std::string(200, 'x');
    EXPECT_EQ(std::nullopt, ConnectToClient(tooLong, CurrentUserId()));
    EXPECT_EQ(nullptr, ClientListener::Listen(tooLong, CurrentUserId()));
    EXPECT_EQ(std::nullopt, ConnectToClient("", CurrentUserId()));
}

// Tests run as one user, so these name another user id as the one required: the real peer
// credentials are read and found wrong.
TEST(ClientSocket, EachSideRefusesAPeerOfTheWrongUser) {
    TempDir temp;
    const std::filesystem::path path = temp / "client.sock";
    auto strict = ClientListener::Listen(path, CurrentUserId() + 1);
    ASSERT_NE(nullptr, strict);
    std::optional<FrameStream> link = ConnectToClient(path, CurrentUserId());
    ASSERT_TRUE(link);
    ASSERT_TRUE(Readable(strict->Fd()));
    EXPECT_EQ(std::nullopt, strict->Accept());
    std::vector<std::string> frames;
    ASSERT_TRUE(Readable(link->Fd()));
    EXPECT_EQ(FrameStream::ReadResult::kEndOfStream, link->ReadFrames(frames));

    strict.reset();
    auto listener = ClientListener::Listen(path, CurrentUserId());
    ASSERT_NE(nullptr, listener);
    EXPECT_EQ(std::nullopt, ConnectToClient(path, CurrentUserId() + 1));
}

// With root rights the other user is real: a child process switches to "nobody".
class ForeignUser : public ::testing::Test {
  protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root to run a process as another user";
        }
        // The other user must be able to reach the directory.
        ASSERT_EQ(0, ::chmod(temp.Path().c_str(), 0777));
    }
    static void BecomeNobody() {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            ::_exit(3);
        }
    }
    static int ExitCodeOf(pid_t child) {
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    TempDir temp;
};

TEST_F(ForeignUser, ListenerRefusesTheirConnection) {
    const std::filesystem::path path = temp / "client.sock";
    auto listener = ClientListener::Listen(path, CurrentUserId());
    ASSERT_NE(nullptr, listener);
    ASSERT_EQ(0, ::chmod(path.c_str(), 0666));
    const pid_t child = ::fork();
    if (child == 0) {
        BecomeNobody();
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, path.c_str());
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::_exit(2);
        }
        char byte;
        ::_exit(::read(fd, &byte, 1) == 0 ? 0 : 1);  // refused: end of stream, no attach answer
    }
    ASSERT_TRUE(Readable(listener->Fd()));
    EXPECT_EQ(std::nullopt, listener->Accept());
    EXPECT_EQ(0, ExitCodeOf(child));
}

TEST_F(ForeignUser, LinkRefusesTheirListener) {
    const std::filesystem::path path = temp / "foreign.sock";
    int ready[2];
    ASSERT_EQ(0, ::pipe(ready));
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        BecomeNobody();
        auto listener = ClientListener::Listen(path, CurrentUserId());
        ::chmod(path.c_str(), 0666);
        const char byte = listener ? 1 : 0;
        [[maybe_unused]] ssize_t written = ::write(ready[1], &byte, 1);
        ::pause();  // until the parent ends it
        ::_exit(0);
    }
    ::close(ready[1]);
    char listening = 0;
    ASSERT_EQ(1, ::read(ready[0], &listening, 1));
    ASSERT_EQ(1, listening);
    EXPECT_EQ(std::nullopt, ConnectToClient(path, CurrentUserId()));
    EXPECT_TRUE(ConnectToClient(path, kNobody));  // the same listener, accepted when expected
    ::close(ready[0]);
    ::kill(child, SIGKILL);
    ExitCodeOf(child);
}

}  // namespace
}  // namespace platform
