// The beacon after a crash: the socket file a dead copy left behind neither holds up a second
// copy nor keeps the next lock holder from listening, and a file that is not a socket is never
// removed.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <thread>

#include "platform/instance/InstanceBeacon.h"
#include "platform/loop/MessageLoop.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using Result = InstanceBeacon::CallResult;

class InstanceBeaconStaleTest : public ::testing::Test {
  protected:
    InstanceBeaconStaleTest() {
        char pattern[] = "/tmp/kestrel-beacon-XXXXXX";
        dir = mkdtemp(pattern);
    }
    ~InstanceBeaconStaleTest() override { fs::remove_all(dir); }
    fs::path dir;
};

// What a copy that died leaves: a bound socket file that nobody listens on.
void LeaveStaleSocket(const fs::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(0, ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address));
    ::close(fd);
    ASSERT_EQ(fs::file_type::socket, fs::symlink_status(path).type());
}

TEST_F(InstanceBeaconStaleTest, ADeadCopysSocketIsNoAnswerAtOnceAndIsReplacedByTheNextHolder) {
    const fs::path socket = dir / "Larkspur.beacon";
    LeaveStaleSocket(socket);
    // Refused at connect, not waited for: a second copy after a crash ends without delay.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Result::kNoAnswer, InstanceBeacon::Call("Larkspur", milliseconds(3000), dir));
    EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(1500));

    MessageLoop loop;
    int calls = 0;
    auto beacon = InstanceBeacon::Listen(
        loop, "Larkspur", [&] { ++calls; }, dir);
    ASSERT_NE(nullptr, beacon) << "the stale file must not keep the lock holder from listening";
    std::future<Result> call = std::async(std::launch::async, [&] {
        return InstanceBeacon::Call("Larkspur", milliseconds(5000), dir);
    });
    for (int turn = 0; turn < 50 && call.wait_for(milliseconds(0)) != std::future_status::ready;
         ++turn) {
        loop.WaitForPost(milliseconds(100));
        loop.ProcessReady();
    }
    EXPECT_EQ(Result::kAnswered, call.get());
    EXPECT_EQ(1, calls);
}

TEST_F(InstanceBeaconStaleTest, AFileThatIsNotASocketIsLeftAlone) {
    const fs::path file = dir / "Larkspur.beacon";
    std::ofstream(file) << "someone's notes";
    MessageLoop loop;
    EXPECT_EQ(nullptr, InstanceBeacon::Listen(
                           loop, "Larkspur", [] {}, dir));
    EXPECT_EQ(Result::kNoAnswer, InstanceBeacon::Call("Larkspur", milliseconds(3000), dir));
    std::stringstream content;
    content << std::ifstream(file).rdbuf();
    EXPECT_EQ("someone's notes", content.str());
}

}  // namespace
}  // namespace platform
