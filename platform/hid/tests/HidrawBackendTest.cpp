// The hidraw backend without a HID device: report lengths from sysfs, failure classes, opening
// what is not a hidraw node, and the kernel-event watcher on a subsystem every machine has.
#include "platform/hid/HidrawBackend.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "platform/hid/HidrawBackendWatcher.h"
#include "platform/hid/tests/TempDir.h"
#include "platform/loop/MessageRegistry.h"
#include "platform/loop/Window.h"

namespace platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kHandsetDescriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00,
                                  0x26, 0xFF, 0x00, 0x75, 0x08, 0x09, 0x02, 0x95, 0x08,
                                  0x81, 0x02, 0x09, 0x03, 0x95, 0x10, 0x91, 0x02, 0xC0};
// Report id 5: 3 input bytes, 63 output bytes.
const Bytes kWithReportIds = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x05, 0x75,
                              0x08, 0x95, 0x03, 0x81, 0x02, 0x95, 0x3F, 0x91, 0x02, 0xC0};

class ReportLengthsOfNodeTest : public ::testing::Test {
  protected:
    void WriteDescriptor(const std::string& node, const Bytes& bytes) {
        const std::filesystem::path dir = sysfs.Path() + "/class/hidraw/" + node + "/device";
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "report_descriptor", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    TempDir sysfs;
};

TEST_F(ReportLengthsOfNodeTest, ReadsTheNodesDescriptor) {
    WriteDescriptor("hidraw3", kWithReportIds);
    const HidReportLengths lengths = ReportLengthsOfNode("/dev/hidraw3", sysfs.Path());
    EXPECT_EQ(lengths.input, 4u);
    EXPECT_EQ(lengths.output, 64u);
    EXPECT_TRUE(lengths.usesReportIds);
}

TEST_F(ReportLengthsOfNodeTest, TheHandsetsDescriptorGivesNineAndSeventeen) {
    WriteDescriptor("hidraw0", kHandsetDescriptor);
    const HidReportLengths lengths = ReportLengthsOfNode("/dev/hidraw0", sysfs.Path());
    EXPECT_EQ(lengths.input, 9u);
    EXPECT_EQ(lengths.output, 17u);
    EXPECT_FALSE(lengths.usesReportIds);
}

TEST_F(ReportLengthsOfNodeTest, FallsBackToTheHandsetsLengthsWhenTheDescriptorIsNoGood) {
    WriteDescriptor("hidraw1", {0xA1, 0x01, 0x75});                          // cut short
    WriteDescriptor("hidraw2", Bytes(kMaxReportDescriptorSize + 10, 0x09));  // too big
    WriteDescriptor("hidrawX", kWithReportIds);  // not a node name the kernel gives
    for (const char* path : {"/dev/hidraw1", "/dev/hidraw2", "/dev/hidraw9", "/dev/hidrawX",
                             "/dev/hidraw3/../hidraw3", "", "hidraw"}) {
        const HidReportLengths lengths = ReportLengthsOfNode(path, sysfs.Path());
        EXPECT_EQ(lengths.input, 9u) << path;
        EXPECT_EQ(lengths.output, 17u) << path;
        EXPECT_FALSE(lengths.usesReportIds) << path;
    }
}

TEST(ClassifyHidFailureTest, DeviceGoneIsNotConnected) {
    // 0: hidapi's read fails without a system error when poll reports a hang-up.
    for (int gone : {ENODEV, EIO, ENXIO, EPIPE, ESHUTDOWN}) {
        EXPECT_EQ(ClassifyHidFailure(gone), HidResult::NotConnected) << gone;
    }
    EXPECT_EQ(ClassifyHidFailure(EINTR), HidResult::Timeout);
    EXPECT_EQ(ClassifyHidFailure(EACCES), HidResult::Error);
    EXPECT_EQ(ClassifyHidFailure(EINVAL), HidResult::Error);
}

TEST(HidrawBackendTest, OpensNothingThatIsNotAHidrawNode) {
    HidrawBackend backend;
    EXPECT_EQ(backend.Open("/dev/null"), nullptr);
    EXPECT_EQ(backend.Open("/nonexistent/hidraw0"), nullptr);
    EXPECT_EQ(backend.Open(""), nullptr);
}

TEST(HidrawBackendTest, EveryListedDeviceIsListedOnceWithItsLengths) {
    HidrawBackend backend;
    const std::vector<HidDeviceInfo> devices = backend.Enumerate();
    for (std::size_t i = 0; i < devices.size(); ++i) {
        EXPECT_GT(devices[i].inputReportLength + devices[i].outputReportLength, 0u);
        for (std::size_t j = i + 1; j < devices.size(); ++j) {
            EXPECT_NE(devices[i].path, devices[j].path);
        }
    }
}

TEST(HidrawBackendTest, WatchingCanBeStartedRestartedAndStopped) {
    MessageLoop loop;
    Window window(loop);
    HidrawBackend backend;
    const MessageId message = RegisterWindowMessage("HidrawBackendTestChange");
    backend.StartWatching(window.Handle(), message);
    backend.StartWatching(window.Handle(), message);
    backend.StopWatching();
    backend.StopWatching();
    backend.StartWatching(window.Handle(), message);
    // Destruction stops the watcher's thread as well.
}

// The watcher on subsystem "mem" (/dev/null and friends), whose events root can make by writing
// to a device's uevent file. Skipped where a udev daemon runs, which would act on the events.
class UeventWatcherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (geteuid() != 0 || access("/run/udev/control", F_OK) == 0 ||
            access(kUevent, W_OK) != 0) {
            GTEST_SKIP() << "needs root, no udev daemon, and a writable " << kUevent;
        }
    }
    static void Trigger(const char* action) { std::ofstream(kUevent) << action; }

    // Counts the messages that arrive: waits up to 5 s for the first, then a little longer for
    // any that should not come.
    std::size_t WaitAndCount() {
        std::size_t count = 0;
        window.onMessage = [&] { ++count; };
        for (auto wait = std::chrono::milliseconds(5000); loop.WaitForPost(wait);
             wait = std::chrono::milliseconds(300)) {
            loop.ProcessReady();
        }
        return count;
    }

    static constexpr const char* kUevent = "/sys/class/mem/null/uevent";
    struct CountingWindow : Window {
        explicit CountingWindow(MessageLoop& loop) : Window(loop) {}
        LRESULT WindowProc(MessageId message, WPARAM wParam, LPARAM lParam) override {
            if (message == kMessage && wParam == 0 && lParam == 0 && onMessage) {
                onMessage();
            }
            return Window::WindowProc(message, wParam, lParam);
        }
        std::function<void()> onMessage;
    };
    static inline const MessageId kMessage = RegisterWindowMessage("UeventWatcherTestChange");
    MessageLoop loop;
    CountingWindow window{loop};
};

TEST_F(UeventWatcherTest, PostsForAnAddEvent) {
    UeventWatcher watcher({"mem"}, window.Handle(), kMessage);
    ASSERT_TRUE(watcher.IsListening());
    Trigger("add");
    EXPECT_EQ(WaitAndCount(), 1u);
}

TEST_F(UeventWatcherTest, IgnoresChangeEventsAndOtherSubsystems) {
    UeventWatcher watcher({"mem"}, window.Handle(), kMessage);
    UeventWatcher other({"hidraw"}, window.Handle(), kMessage);
    ASSERT_TRUE(watcher.IsListening());
    // Events arrive in order: any post for the changes would be queued before the add's.
    for (int i = 0; i < 5; ++i) {
        Trigger("change");
    }
    Trigger("add");
    EXPECT_EQ(WaitAndCount(), 1u);
}

}  // namespace
}  // namespace platform
