// The HID link on the handset simulator's real socket, with a handset that stops reading: what
// the probe of the running system found (300 key presses delaying everything by seconds).
#include <gtest/gtest.h>

#include "common/Messages.h"
#include "engine/hid/CHidLink.h"
#include "platform/hid/SocketHidBackend.h"
#include "platform/hid/SocketHidBackendPeer.h"
#include "platform/hid/tests/TempDir.h"
#include "platform/loop/MessageLoop.h"

namespace {

using namespace std::chrono_literals;

TEST(HidLinkStallTest, AHandsetThatStopsReadingCostsTheLoopOneWriteBudgetNotOnePerFrame) {
    platform::TempDir dir;
    const std::string path = dir / "handset.sock";
    platform::MessageLoop loop;
    platform::Window owner{loop};
    auto backend = std::make_shared<platform::SocketHidBackend>(path);
    CHidLink link(owner.Handle(), handset::kDefaultProductId, backend);
    link.SetAutoOpen(true);

    platform::SocketHidBackendPeer peer;  // never reads what it is sent
    ASSERT_TRUE(peer.Connect(path, {handset::kVendorId, handset::kDefaultProductId}));
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!link.IsPresent() && std::chrono::steady_clock::now() < deadline) {
        loop.WaitForPost(100ms);
        loop.ProcessReady();
    }
    ASSERT_TRUE(link.IsPresent());
    // Fill what the socket holds.
    std::size_t taken = 0;
    while (link.SendCtrlCmd(handset::kDisplayLight, 1)) {
        ASSERT_LT(++taken, 100000u);
    }

    // 300 key presses each light the display: one stall, then every frame fails at once.
    const auto start = std::chrono::steady_clock::now();
    for (int key = 0; key < 300; ++key) {
        EXPECT_FALSE(link.SendCtrlCmd(handset::kDisplayLight, 1));
    }
    EXPECT_FALSE(link.SendLCDFrame(LCDFrame{}));
    EXPECT_LT(std::chrono::steady_clock::now() - start, CHidLink::kStalledPause / 2);
}

}  // namespace
