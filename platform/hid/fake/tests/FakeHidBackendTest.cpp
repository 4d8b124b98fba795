// The HID fake behaves as the link expects of a backend: handles, reports, removal, writes.
#include "platform/hid/fake/FakeHidBackend.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/loop/MessageLoop.h"
#include "platform/loop/Window.h"

namespace platform {
namespace {

using std::chrono::milliseconds;

const HidDeviceInfo kDevice{"fake/a", 0x1908, 5001, 9, 17};

class CountingWindow : public Window {
  public:
    using Window::Window;
    LRESULT WindowProc(MessageId message, WPARAM, LPARAM) override {
        received.push_back(message);
        return 0;
    }
    std::vector<MessageId> received;
};

class FakeHidBackendTest : public ::testing::Test {
  protected:
    HidResult ReadOnce(HidDevice& device, std::vector<std::uint8_t>& report) {
        report.assign(9, 0xAA);
        std::size_t length = 0;
        const HidResult result = device.Read(report, milliseconds(0), length);
        report.resize(result == HidResult::Ok ? length : 0);
        return result;
    }

    ManualClock clock;
    MessageLoop loop{clock};
    FakeHidBackend fake{&clock};
};

TEST_F(FakeHidBackendTest, ReportsGoToEveryHandleOpenAtTheTimeExactlyAsGiven) {
    fake.Plug(kDevice);
    auto early = fake.Open("fake/a");
    const std::vector<std::uint8_t> first{0, 0, 1, 7, 0, 0, 0, 0, 0};
    EXPECT_EQ(fake.InjectReport("fake/a", first), 1u);
    auto late = fake.Open("fake/a");
    const std::vector<std::uint8_t> second{0, 0, 1, 8};
    EXPECT_EQ(fake.InjectReport("fake/a", second), 2u);

    std::vector<std::uint8_t> report;
    ASSERT_EQ(ReadOnce(*early, report), HidResult::Ok);
    EXPECT_EQ(report, first);
    ASSERT_EQ(ReadOnce(*early, report), HidResult::Ok);
    EXPECT_EQ(report, second);
    EXPECT_EQ(ReadOnce(*early, report), HidResult::Timeout);
    ASSERT_EQ(ReadOnce(*late, report), HidResult::Ok);
    EXPECT_EQ(report, second);
    EXPECT_EQ(fake.InjectReport("fake/unknown", first), 0u);
}

TEST_F(FakeHidBackendTest, RemovalAndReplugOutdateOpenHandles) {
    fake.Plug(kDevice);
    auto before = fake.Open("fake/a");
    fake.Plug(kDevice);  // unplugged and plugged again between two looks
    std::vector<std::uint8_t> report;
    EXPECT_EQ(ReadOnce(*before, report), HidResult::NotConnected);
    auto after = fake.Open("fake/a");
    EXPECT_EQ(fake.InjectReport("fake/a", std::vector<std::uint8_t>(9, 0)), 1u);

    EXPECT_TRUE(fake.Unplug("fake/a"));
    EXPECT_FALSE(fake.Unplug("fake/a"));
    EXPECT_EQ(ReadOnce(*after, report), HidResult::NotConnected);
    EXPECT_EQ(after->Write(std::vector<std::uint8_t>(17, 0), milliseconds(50)),
              HidResult::NotConnected);
    EXPECT_TRUE(fake.Enumerate().empty());
}

TEST_F(FakeHidBackendTest, WritesAreRecordedWithTheirOutcome) {
    fake.Plug(kDevice);
    auto device = fake.Open("fake/a");
    const std::vector<std::uint8_t> report{0, 0xBD, 2, 1};
    fake.FailNextWrites(HidResult::Error, 2);
    EXPECT_EQ(device->Write(report, milliseconds(50)), HidResult::Error);
    EXPECT_EQ(device->Write(report, milliseconds(50)), HidResult::Error);
    EXPECT_EQ(device->Write(report, milliseconds(50)), HidResult::Ok);
    const auto writes = fake.Writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[2].path, "fake/a");
    EXPECT_EQ(writes[2].report, report);
    EXPECT_EQ(writes[0].result, HidResult::Error);
    EXPECT_EQ(writes[2].result, HidResult::Ok);
    fake.ClearWrites();
    EXPECT_TRUE(fake.Writes().empty());
}

TEST_F(FakeHidBackendTest, PlugAndUnplugRaiseDeviceChangesWhileWatched) {
    CountingWindow window(loop);
    constexpr MessageId kChange = WM_DEVICECHANGE;
    fake.Plug(kDevice);  // not watched yet
    fake.StartWatching(window.Handle(), kChange);
    fake.Plug({"fake/b", 1, 2, 3, 4});
    fake.Unplug("fake/a");
    fake.Unplug("fake/none");
    loop.ProcessReady();
    EXPECT_EQ(window.received, (std::vector<MessageId>{kChange, kChange}));
    fake.StopWatching();
    fake.Unplug("fake/b");
    loop.ProcessReady();
    EXPECT_EQ(window.received.size(), 2u);
}

}  // namespace
}  // namespace platform
