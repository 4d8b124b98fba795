// The socket backend against real handset connections in a temporary directory: plugging,
// reports both ways, bounds, unplugging, refused peers and the socket file's life.
#include "platform/hid/SocketHidBackend.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/hid/SocketHidBackendPeer.h"
#include "platform/hid/tests/TempDir.h"
#include "platform/loop/MessageRegistry.h"
#include "platform/loop/Window.h"

namespace platform {
namespace {

using namespace std::chrono_literals;
using handset_socket::DeviceIds;
using Input = std::array<std::uint8_t, 9>;
using Output = std::array<std::uint8_t, 17>;

constexpr DeviceIds kHandset{0x1908, 5001};

// Counts one message.
class CountingWindow : public Window {
  public:
    CountingWindow(MessageLoop& loop, MessageId counted) : Window(loop), counted_(counted) {}
    LRESULT WindowProc(MessageId message, WPARAM wParam, LPARAM lParam) override {
        if (message == counted_ && wParam == 0 && lParam == 0) {
            ++count;
        }
        return Window::WindowProc(message, wParam, lParam);
    }
    std::size_t count = 0;

  private:
    MessageId counted_;
};

// Polls `condition` for up to 5 s: for state that no message announces.
template <typename Condition>
bool WaitUntil(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

Input KeyReport(std::uint8_t scanCode) {
    return {0, 0, 1, scanCode, 0, 0, 0, 0, 0};
}

class SocketHidBackendTest : public ::testing::Test {
  protected:
    SocketHidBackendTest() { backend->StartWatching(window.Handle(), kChange); }

    // Waits up to 5 s for the next device-change message.
    bool WaitForChange() {
        const std::size_t before = window.count;
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (window.count == before) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left <= 0ms || !loop.WaitForPost(left)) {
                return false;
            }
            loop.ProcessReady();
        }
        return true;
    }
    // Plugs `peer` in and waits until the backend has announced it.
    bool Plug(SocketHidBackendPeer& peer, DeviceIds ids = kHandset) {
        return peer.Connect(socketPath, ids) && WaitForChange();
    }
    std::unique_ptr<HidDevice> OpenOnly() {
        const std::vector<HidDeviceInfo> devices = backend->Enumerate();
        return devices.size() == 1 ? backend->Open(devices[0].path) : nullptr;
    }
    HidResult ReadReport(HidDevice& device, Input& report, std::size_t& length) {
        return device.Read(report, 5000ms, length);
    }

    const MessageId kChange = RegisterWindowMessage("SocketHidBackendTestChange");
    TempDir dir;
    const std::string socketPath = dir / "handset.sock";
    MessageLoop loop;
    CountingWindow window{loop, kChange};
    std::unique_ptr<SocketHidBackend> backend = std::make_unique<SocketHidBackend>(socketPath);
};

TEST_F(SocketHidBackendTest, PluggingInIsAnnouncedAndListed) {
    ASSERT_TRUE(backend->IsListening());
    EXPECT_TRUE(backend->Enumerate().empty());
    SocketHidBackendPeer peer;
    ASSERT_TRUE(Plug(peer));
    const std::vector<HidDeviceInfo> devices = backend->Enumerate();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].path, "sim:1");
    EXPECT_EQ(devices[0].vendorId, 0x1908);
    EXPECT_EQ(devices[0].productId, 5001);
    EXPECT_EQ(devices[0].inputReportLength, 9u);
    EXPECT_EQ(devices[0].outputReportLength, 17u);
}

TEST_F(SocketHidBackendTest, TheHelloDecidesVendorAndProduct) {
    SocketHidBackendPeer peer;
    ASSERT_TRUE(Plug(peer, {0x1234, 5002}));
    const std::vector<HidDeviceInfo> devices = backend->Enumerate();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].vendorId, 0x1234);
    EXPECT_EQ(devices[0].productId, 5002);
}

TEST_F(SocketHidBackendTest, ReportsTravelBothWaysUnchanged) {
    SocketHidBackendPeer peer;
    ASSERT_TRUE(Plug(peer));
    std::unique_ptr<HidDevice> device = OpenOnly();
    ASSERT_NE(device, nullptr);

    const Input key = KeyReport(7);
    ASSERT_TRUE(peer.Send(key));
    Input read{};
    std::size_t length = 0;
    ASSERT_EQ(ReadReport(*device, read, length), HidResult::Ok);
    EXPECT_EQ(length, 9u);
    EXPECT_EQ(read, key);

    Output out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<std::uint8_t>(i * 13);
    }
    out[0] = 0;
    ASSERT_EQ(device->Write(out, 50ms), HidResult::Ok);
    std::array<std::uint8_t, 32> received{};
    ASSERT_EQ(peer.Receive(received, 5000ms, length), HidResult::Ok);
    ASSERT_EQ(length, 17u);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), received.begin()));
}

TEST_F(SocketHidBackendTest, AWriteOfAnythingButOneOutputReportIsRefused) {
    SocketHidBackendPeer peer;
    ASSERT_TRUE(Plug(peer));
    std::unique_ptr<HidDevice> device = OpenOnly();
    ASSERT_NE(device, nullptr);
    const std::array<std::uint8_t, 18> tooLong{};
    const std::array<std::uint8_t, 16> tooShort{};
    EXPECT_EQ(device->Write(tooLong, 50ms), HidResult::Error);
    EXPECT_EQ(device->Write(tooShort, 50ms), HidResult::Error);
    std::array<std::uint8_t, 32> received{};
    std::size_t length = 0;
    EXPECT_EQ(peer.Receive(received, 0ms, length), HidResult::Timeout);
}

TEST_F(SocketHidBackendTest, OverlongReportsAreDroppedAndShortOnesKeptAsTheyAre) {
    SocketHidBackendPeer peer;
    ASSERT_TRUE(Plug(peer));
    std::unique_ptr<HidDevice> device = OpenOnly();
    ASSERT_NE(device, nullptr);
    std::array<std::uint8_t, 200> overlong;
    overlong.fill(0xEE);
    ASSERT_TRUE(peer.Send(overlong));
    const std::array<std::uint8_t, 4> shortReport = {0, 0, 1, 9};
    ASSERT_TRUE(peer.Send(shortReport));

    Input read{};
    std::size_t length = 0;
    ASSERT_EQ(ReadReport(*device, read, length), HidResult::Ok);
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(read[3], 9);
    EXPECT_EQ(backend->DroppedPackets(), 1u);
}

TEST_F(SocketHidBackendTest, ASmallReadBufferGetsTheStartOfTheReport) {
    SocketHidBackendPeer peer;
    ASSERT_TRUE(Plug(peer));
    std::unique_ptr<HidDevice> device = OpenOnly();
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(peer.Send(KeyReport(3)));
    std::array<std::uint8_t, 4> small{};
    std::size_t length = 0;
    ASSERT_EQ(device->Read(small, 5000ms, length), HidResult::Ok);
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(small[3], 3);
}

TEST_F(SocketHidBackendTest, EveryOpenDeviceGetsEveryReportAndNoneComesFromBeforeItOpened) {
    SocketHidBackendPeer peer;
    ASSERT_TRUE(Plug(peer));
    std::unique_ptr<HidDevice> first = OpenOnly();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(peer.Send(KeyReport(1)));
    Input read{};
    std::size_t length = 0;
    ASSERT_EQ(ReadReport(*first, read, length), HidResult::Ok);

    std::unique_ptr<HidDevice> second = OpenOnly();
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(peer.Send(KeyReport(2)));
    for (HidDevice* device : {first.get(), second.get()}) {
        ASSERT_EQ(ReadReport(*device, read, length), HidResult::Ok);
        EXPECT_EQ(read[3], 2);
    }
}

TEST_F(SocketHidBackendTest, AnUnreadQueueIsBoundedAndKeepsTheOldestReports) {
    SocketHidBackendPeer peer;
    ASSERT_TRUE(Plug(peer));
    std::unique_ptr<HidDevice> device = OpenOnly();
    ASSERT_NE(device, nullptr);
    const std::size_t sent = SocketHidBackend::kMaxQueuedReports + 6;
    for (std::size_t i = 0; i < sent; ++i) {
        ASSERT_TRUE(peer.Send(KeyReport(static_cast<std::uint8_t>(i))));
    }
    ASSERT_TRUE(WaitUntil([&] { return backend->DroppedPackets() == 6; }));
    Input read{};
    std::size_t length = 0;
    for (std::size_t i = 0; i < SocketHidBackend::kMaxQueuedReports; ++i) {
        ASSERT_EQ(device->Read(read, 0ms, length), HidResult::Ok);
        EXPECT_EQ(read[3], i);
    }
    EXPECT_EQ(device->Read(read, 0ms, length), HidResult::Timeout);
}

TEST_F(SocketHidBackendTest, UnpluggingIsAnnouncedAndTheDeviceReportsNotConnected) {
    SocketHidBackendPeer peer;
    ASSERT_TRUE(Plug(peer));
    std::unique_ptr<HidDevice> device = OpenOnly();
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(peer.Send(KeyReport(5)));
    peer.Close();
    ASSERT_TRUE(WaitForChange());
    EXPECT_TRUE(backend->Enumerate().empty());

    // What arrived before the unplug is not lost.
    Input read{};
    std::size_t length = 0;
    ASSERT_EQ(ReadReport(*device, read, length), HidResult::Ok);
    EXPECT_EQ(read[3], 5);
    EXPECT_EQ(device->Read(read, 5000ms, length), HidResult::NotConnected);
    const Output out{};
    EXPECT_EQ(device->Write(out, 50ms), HidResult::NotConnected);
    EXPECT_EQ(backend->Open("sim:1"), nullptr);
}

TEST_F(SocketHidBackendTest, AReadWaitingOnAnotherThreadEndsAtTheUnplug) {
    SocketHidBackendPeer peer;
    ASSERT_TRUE(Plug(peer));
    std::unique_ptr<HidDevice> device = OpenOnly();
    ASSERT_NE(device, nullptr);
    HidResult result = HidResult::Ok;
    std::thread reader([&] {
        Input read{};
        std::size_t length = 0;
        result = device->Read(read, 10000ms, length);
    });
    peer.Shutdown();
    reader.join();
    EXPECT_EQ(result, HidResult::NotConnected);
}

TEST_F(SocketHidBackendTest, ReplugGivesANewDevice) {
    SocketHidBackendPeer peer;
    ASSERT_TRUE(Plug(peer));
    ASSERT_EQ(backend->Enumerate().at(0).path, "sim:1");
    peer.Close();
    ASSERT_TRUE(WaitForChange());
    ASSERT_TRUE(Plug(peer));
    const std::vector<HidDeviceInfo> devices = backend->Enumerate();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].path, "sim:2");
    EXPECT_EQ(backend->Open("sim:1"), nullptr);
    EXPECT_NE(backend->Open("sim:2"), nullptr);
}

TEST_F(SocketHidBackendTest, AConnectionWithoutAHelloIsClosedAndNeverListed) {
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const Input notAHello = KeyReport(1);
    ASSERT_EQ(send(fd, notAHello.data(), notAHello.size(), MSG_NOSIGNAL), 9);
    std::array<std::uint8_t, 32> buffer{};
    EXPECT_EQ(recv(fd, buffer.data(), buffer.size(), 0), 0);  // the backend hung up
    close(fd);
    EXPECT_TRUE(backend->Enumerate().empty());
    // The next handset is the first announced one.
    SocketHidBackendPeer peer;
    ASSERT_TRUE(Plug(peer));
    EXPECT_EQ(window.count, 1u);
}

TEST_F(SocketHidBackendTest, ConnectionsBeyondTheLimitAreRefused) {
    std::array<SocketHidBackendPeer, SocketHidBackend::kMaxConnections> peers;
    for (SocketHidBackendPeer& peer : peers) {
        ASSERT_TRUE(Plug(peer));
    }
    SocketHidBackendPeer extra;
    // The backend hangs up at once, before or after the hello went out.
    if (extra.Connect(socketPath, kHandset)) {
        std::array<std::uint8_t, 32> buffer{};
        std::size_t length = 0;
        EXPECT_EQ(extra.Receive(buffer, 5000ms, length), HidResult::NotConnected);
    }
    EXPECT_EQ(backend->Enumerate().size(), SocketHidBackend::kMaxConnections);
    // A freed place is taken again.
    peers[0].Close();
    ASSERT_TRUE(WaitForChange());
    ASSERT_TRUE(Plug(extra));
    EXPECT_EQ(backend->Enumerate().size(), SocketHidBackend::kMaxConnections);
}

// A connection that says nothing.
int ConnectSilently(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

TEST(SocketHidBackendHelloTest, SilentConnectionsAreClosedAndCannotLockTheHandsetOut) {
    TempDir dir;
    const std::string path = dir / "handset.sock";
    SocketHidBackend backend(path, 100ms);
    std::vector<int> silent;
    for (std::size_t i = 0; i < SocketHidBackend::kMaxConnections; ++i) {
        silent.push_back(ConnectSilently(path));
        ASSERT_GE(silent.back(), 0);
    }
    // Every place is taken; each silent one is hung up once its hello is overdue.
    for (const int fd : silent) {
        std::array<std::uint8_t, 32> buffer{};
        EXPECT_EQ(recv(fd, buffer.data(), buffer.size(), 0), 0);
        close(fd);
    }
    SocketHidBackendPeer handset;
    ASSERT_TRUE(handset.Connect(path, kHandset));
    EXPECT_TRUE(WaitUntil([&] { return backend.Enumerate().size() == 1; }));
}

TEST_F(SocketHidBackendTest, AHandsetThatStopsReadingFailsWritesWithinTheirBudgetUntilItReads) {
    SocketHidBackendPeer peer;
    ASSERT_TRUE(Plug(peer));
    std::unique_ptr<HidDevice> device = OpenOnly();
    ASSERT_NE(device, nullptr);
    Output report{};
    std::size_t written = 0;
    while (device->Write(report, 0ms) == HidResult::Ok) {
        ++written;
    }
    ASSERT_GT(written, 0u);
    EXPECT_EQ(device->Write(report, 20ms), HidResult::Timeout);
    // The handset takes its output again: writes go through.
    std::array<std::uint8_t, 32> buffer{};
    std::size_t length = 0;
    for (std::size_t i = 0; i < written; ++i) {
        ASSERT_EQ(peer.Receive(buffer, 5000ms, length), HidResult::Ok);
    }
    EXPECT_EQ(device->Write(report, 5000ms), HidResult::Ok);
}

TEST_F(SocketHidBackendTest, AReadEndsAtItsTimeoutOrAtAnInterrupt) {
    SocketHidBackendPeer peer;
    ASSERT_TRUE(Plug(peer));
    std::unique_ptr<HidDevice> device = OpenOnly();
    ASSERT_NE(device, nullptr);
    Input read{};
    std::size_t length = 99;
    EXPECT_EQ(device->Read(read, 0ms, length), HidResult::Timeout);
    EXPECT_EQ(length, 0u);
    // Without a limit, only an interrupt (or a report, or the unplug) ends it.
    std::thread interrupter([&] { device->InterruptRead(); });
    EXPECT_EQ(device->Read(read, kWaitForever, length), HidResult::Timeout);
    interrupter.join();
    // The interruption was used up; a report that comes is read.
    ASSERT_TRUE(peer.Send(KeyReport(7)));
    EXPECT_EQ(device->Read(read, kWaitForever, length), HidResult::Ok);
    EXPECT_EQ(read[3], 7);
}

TEST_F(SocketHidBackendTest, NothingIsPostedWhileNotWatching) {
    backend->StopWatching();
    SocketHidBackendPeer unannounced;
    ASSERT_TRUE(unannounced.Connect(socketPath, kHandset));
    ASSERT_TRUE(WaitUntil([&] { return backend->Enumerate().size() == 1; }));
    backend->StartWatching(window.Handle(), kChange);
    // Posts are in order: one for the first handset would come before this one.
    SocketHidBackendPeer announced;
    ASSERT_TRUE(Plug(announced));
    EXPECT_EQ(window.count, 1u);
}

TEST_F(SocketHidBackendTest, ClosingTheBackendUnplugsAndRemovesTheSocketFile) {
    SocketHidBackendPeer peer;
    ASSERT_TRUE(Plug(peer));
    std::unique_ptr<HidDevice> device = OpenOnly();
    ASSERT_NE(device, nullptr);
    backend.reset();
    EXPECT_FALSE(std::filesystem::exists(socketPath));
    Input read{};
    std::size_t length = 0;
    EXPECT_EQ(device->Read(read, 0ms, length), HidResult::NotConnected);
    std::array<std::uint8_t, 32> buffer{};
    EXPECT_EQ(peer.Receive(buffer, 5000ms, length), HidResult::NotConnected);
}

TEST(SocketHidBackendFileTest, AStaleSocketFileIsReplaced) {
    TempDir dir;
    const std::string path = dir / "handset.sock";
    { SocketHidBackend first(path); }
    // A socket file nobody listens on, as a crashed backend leaves it.
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
    ASSERT_TRUE(std::filesystem::exists(path));

    SocketHidBackend backend(path);
    EXPECT_TRUE(backend.IsListening());
    SocketHidBackendPeer peer;
    EXPECT_TRUE(peer.Connect(path, kHandset));
}

TEST(SocketHidBackendFileTest, ALiveListenerAndOtherFilesAreLeftAlone) {
    TempDir dir;
    const std::string path = dir / "handset.sock";
    SocketHidBackend live(path);
    ASSERT_TRUE(live.IsListening());
    {
        SocketHidBackend second(path);
        EXPECT_FALSE(second.IsListening());
        EXPECT_TRUE(second.Enumerate().empty());
        EXPECT_EQ(second.Open("sim:1"), nullptr);
    }
    SocketHidBackendPeer peer;
    EXPECT_TRUE(peer.Connect(path, kHandset));  // still the first backend's socket

    const std::string plain = dir / "plain-file";
    std::ofstream(plain) << "keep me";
    {
        SocketHidBackend onFile(plain);
        EXPECT_FALSE(onFile.IsListening());
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(plain));
}

TEST(SocketHidBackendFileTest, APathTooLongForASocketMeansNoDevices) {
    SocketHidBackend backend("/tmp/" + std::string(200, 'x'));
    EXPECT_FALSE(backend.IsListening());
    EXPECT_TRUE(backend.Enumerate().empty());
}

TEST(SocketHidBackendFileTest, TheSocketFileIsTheUsersOnly) {
    TempDir dir;
    const std::string path = dir / "handset.sock";
    SocketHidBackend backend(path);
    ASSERT_TRUE(backend.IsListening());
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// A peer of another user is refused even when the file's mode lets it connect.
TEST_F(SocketHidBackendTest, APeerOfAnotherUserIsRefused) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to connect as another user";
    }
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(socketPath.c_str(), 0666), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Plain system calls only: the parent has threads.
        if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0) {
            _exit(2);
        }
        const int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size());
        const auto hello = handset_socket::EncodeHello(kHandset);
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            _exit(3);
        }
        // The backend may have hung up already, failing the send.
        [[maybe_unused]] ssize_t sent = send(fd, hello.data(), hello.size(), MSG_NOSIGNAL);
        std::uint8_t byte = 0;
        _exit(recv(fd, &byte, 1, 0) <= 0 ? 0 : 4);  // the backend hung up
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(backend->Enumerate().empty());
    EXPECT_EQ(window.count, 0u);
}

}  // namespace
}  // namespace platform
