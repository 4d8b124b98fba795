// The hidraw device's bounded I/O on a socket that stands in for the node: its peer plays the
// kernel side, and a peer that stops reading blocks writes as a busy USB handset does.
#include "platform/hid/HidrawDevice.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <thread>

namespace platform {
namespace {

using namespace std::chrono_literals;

class HidrawDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The stand-in is a socket: a write after the peer closed must fail, not kill the test.
        std::signal(SIGPIPE, SIG_IGN);
        int fds[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds), 0);
        kernel = fds[1];
        device = MakeHidrawDevice(fds[0], false);
        ASSERT_NE(device, nullptr);
    }
    void TearDown() override {
        device.reset();
        if (kernel >= 0) {
            close(kernel);
        }
    }
    // Takes one output report off the node, as the kernel would.
    ssize_t TakeOutput(std::array<std::uint8_t, 64>& into) {
        return recv(kernel, into.data(), into.size(), 0);
    }

    int kernel = -1;
    std::unique_ptr<HidDevice> device;
};

TEST_F(HidrawDeviceTest, ReadsPutTheReportIdInFrontAndEndAtAnInterruptOrTheRemoval) {
    const std::array<std::uint8_t, 8> onNode = {0x00, 0x01, 0x07, 0, 0, 0, 0, 0};
    ASSERT_EQ(send(kernel, onNode.data(), onNode.size(), 0), 8);
    std::array<std::uint8_t, 9> report{};
    report[0] = 0xEE;
    std::size_t length = 0;
    ASSERT_EQ(device->Read(report, kWaitForever, length), HidResult::Ok);
    EXPECT_EQ(length, 9u);
    EXPECT_EQ(report, (std::array<std::uint8_t, 9>{0x00, 0x00, 0x01, 0x07, 0, 0, 0, 0, 0}));

    EXPECT_EQ(device->Read(report, 0ms, length), HidResult::Timeout);
    std::thread interrupter([&] { device->InterruptRead(); });
    EXPECT_EQ(device->Read(report, kWaitForever, length), HidResult::Timeout);
    interrupter.join();

    close(kernel);
    kernel = -1;
    EXPECT_EQ(device->Read(report, kWaitForever, length), HidResult::NotConnected);
}

TEST_F(HidrawDeviceTest, AWriteStuckInTheKernelCostsOneBudgetAndTheNextWritesNone) {
    const std::array<std::uint8_t, 17> report = {0x00, 0xBD, 0x05, 0x14};
    std::size_t taken = 0;
    while (device->Write(report, 50ms) == HidResult::Ok) {
        ++taken;
    }
    ASSERT_GT(taken, 0u);
    // The stuck write is not queued behind: the next ones fail at once, whatever their budget.
    EXPECT_EQ(device->Write(report, 5000ms), HidResult::Timeout);

    // The handset takes its output again: the stuck report arrives after the others, unchanged,
    // and the device writes again.
    std::array<std::uint8_t, 64> out{};
    for (std::size_t i = 0; i <= taken; ++i) {
        ASSERT_EQ(TakeOutput(out), 17);
    }
    EXPECT_EQ(out[0], 0x00);
    EXPECT_EQ(out[2], 0x05);
    EXPECT_EQ(device->Write(report, kWaitForever), HidResult::Ok);
    EXPECT_EQ(TakeOutput(out), 17);
}

TEST_F(HidrawDeviceTest, ClosingDoesNotWaitForAWriteStuckInTheKernel) {
    const std::array<std::uint8_t, 17> report{};
    while (device->Write(report, 50ms) == HidResult::Ok) {
    }
    device.reset();  // returns although the write still blocks
    close(kernel);   // now the write fails and its thread ends, closing the node
    kernel = -1;
}

}  // namespace
}  // namespace platform
