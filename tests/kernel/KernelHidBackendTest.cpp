// The hidraw backend on a real kernel: hot-plug from the kernel's own events (no udev daemon),
// enumeration, and report lengths from the descriptors in sysfs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

#include "platform/hid/HidBackend.h"
#include "platform/hid/HidrawBackend.h"
#include "tests/kernel/GuestLoop.h"
#include "tests/kernel/UhidDevice.h"

namespace kerneltest {
namespace {

std::optional<platform::HidDeviceInfo> Find(const std::vector<platform::HidDeviceInfo>& devices,
                                            const UhidIdentity& identity) {
    std::optional<platform::HidDeviceInfo> found;
    for (const platform::HidDeviceInfo& device : devices) {
        if (device.vendorId == identity.vendorId && device.productId == identity.productId) {
            EXPECT_FALSE(found) << identity.name << " is listed twice";
            found = device;
        }
    }
    return found;
}

class KernelHidBackendTest : public ::testing::Test {
  protected:
    void SetUp() override {
        unsetenv("KESTREL_HANDSET_SOCKET");
        backend = platform::CreateHidBackend();
        ASSERT_NE(dynamic_cast<platform::HidrawBackend*>(backend.get()), nullptr);
        backend->StartWatching(watcher.Handle(), platform::WM_DEVICECHANGE);
    }
    void TearDown() override { backend->StopWatching(); }

    // Waits until the watcher has raised a change beyond those seen so far.
    bool NextChange() {
        const std::size_t seen = changesSeen;
        const bool raised = PumpUntil(loop, [&] { return Changes() > seen; });
        changesSeen = Changes();
        return raised;
    }
    std::size_t Changes() { return watcher.Of(platform::WM_DEVICECHANGE).size(); }

    platform::MessageLoop loop;
    RecordingWindow watcher{loop};
    std::unique_ptr<platform::HidBackend> backend;
    std::size_t changesSeen = 0;
};

TEST_F(KernelHidBackendTest, RaisesADeviceChangeForEveryArrivalAndRemovalWithoutUdevDaemon) {
    ASSERT_NE(access("/run/udev/control", F_OK), 0) << "a udev daemon runs: not the test's guest";

    UhidDevice handset(kHandset);
    ASSERT_TRUE(handset.Plugged());
    EXPECT_TRUE(NextChange()) << "handset plugged in";
    EXPECT_TRUE(Find(backend->Enumerate(), kHandset));

    UhidDevice other(kOtherVendorDevice);
    ASSERT_TRUE(other.Plugged());
    EXPECT_TRUE(NextChange()) << "another vendor's device plugged in";

    other.Unplug();
    EXPECT_TRUE(NextChange()) << "another vendor's device removed";

    handset.Unplug();
    EXPECT_TRUE(NextChange()) << "handset removed";
    EXPECT_FALSE(Find(backend->Enumerate(), kHandset));
}

TEST_F(KernelHidBackendTest, ListsEveryNodeOnceWithTheLengthsOfItsOwnDescriptor) {
    UhidDevice handset(kHandset);
    UhidDevice twin(kHandsetTwin);
    UhidDevice other(kOtherVendorDevice);
    ASSERT_TRUE(handset.Plugged() && twin.Plugged() && other.Plugged());
    ASSERT_TRUE(PumpUntil(loop, [&] { return Changes() >= 3; }));

    const std::vector<platform::HidDeviceInfo> devices = backend->Enumerate();
    const auto handsetInfo = Find(devices, kHandset);
    const auto twinInfo = Find(devices, kHandsetTwin);
    const auto otherInfo = Find(devices, kOtherVendorDevice);
    ASSERT_TRUE(handsetInfo && twinInfo && otherInfo);
    for (const auto* info : {&*handsetInfo, &*twinInfo, &*otherInfo}) {
        EXPECT_EQ(info->path.rfind("/dev/hidraw", 0), 0u) << info->path;
    }
    EXPECT_NE(handsetInfo->path, twinInfo->path);
    // Counted with the report-id byte, although the descriptors declare no report ids.
    EXPECT_EQ(handsetInfo->inputReportLength, 9u);
    EXPECT_EQ(handsetInfo->outputReportLength, 17u);
    EXPECT_EQ(twinInfo->inputReportLength, 9u);
    EXPECT_EQ(twinInfo->outputReportLength, 17u);
    // Read from this device's own descriptor, not the handset's lengths taken as a default.
    EXPECT_EQ(otherInfo->inputReportLength, 5u);
    EXPECT_EQ(otherInfo->outputReportLength, 2u);

    twin.Unplug();
    ASSERT_TRUE(PumpUntil(loop, [&] { return Changes() >= 4; }));
    const std::vector<platform::HidDeviceInfo> after = backend->Enumerate();
    EXPECT_FALSE(Find(after, kHandsetTwin));
    ASSERT_TRUE(Find(after, kHandset));
    EXPECT_EQ(Find(after, kHandset)->path, handsetInfo->path);
}

}  // namespace
}  // namespace kerneltest
