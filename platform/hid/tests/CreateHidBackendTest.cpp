// The backend choice: the simulator's socket when KESTREL_HANDSET_SOCKET names one, else hidraw.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "platform/hid/HidBackend.h"
#include "platform/hid/HidrawBackend.h"
#include "platform/hid/SocketHidBackend.h"
#include "platform/hid/SocketHidBackendPeer.h"
#include "platform/hid/tests/TempDir.h"

namespace platform {
namespace {

class CreateHidBackendTest : public ::testing::Test {
  protected:
    ~CreateHidBackendTest() override { unsetenv("KESTREL_HANDSET_SOCKET"); }
};

TEST_F(CreateHidBackendTest, ASocketPathSelectsTheSocketBackendListeningThere) {
    TempDir dir;
    const std::string path = dir / "handset.sock";
    ASSERT_EQ(setenv("KESTREL_HANDSET_SOCKET", path.c_str(), 1), 0);
    const std::unique_ptr<HidBackend> backend = CreateHidBackend();
    ASSERT_NE(dynamic_cast<SocketHidBackend*>(backend.get()), nullptr);
    SocketHidBackendPeer peer;
    EXPECT_TRUE(peer.Connect(path, {0x1908, 5001}));
}

TEST_F(CreateHidBackendTest, NoOrAnEmptyPathSelectsTheRealDevices) {
    unsetenv("KESTREL_HANDSET_SOCKET");
    EXPECT_NE(dynamic_cast<HidrawBackend*>(CreateHidBackend().get()), nullptr);
    ASSERT_EQ(setenv("KESTREL_HANDSET_SOCKET", "", 1), 0);
    EXPECT_NE(dynamic_cast<HidrawBackend*>(CreateHidBackend().get()), nullptr);
}

}  // namespace
}  // namespace platform
