// The simulated handset against the socket backend over real sockets: plugging, key and
// firmware reports, output reports, display transfers and unplugging.
#include "tools/handset-sim/HandsetSimulator.h"

#include <gtest/gtest.h>

#include <array>

#include "platform/hid/SocketHidBackend.h"
#include "platform/hid/tests/TempDir.h"
#include "platform/loop/MessageRegistry.h"
#include "platform/loop/Window.h"

namespace handset_sim {
namespace {

using namespace std::chrono_literals;
using platform::HidDevice;
using platform::HidResult;

constexpr auto kWait = 5000ms;

using OutputReport = std::array<std::uint8_t, 17>;

OutputReport Control(std::uint8_t command, std::uint8_t value) {
    return {0x00, 0xBD, command, value};
}

class CountingWindow : public platform::Window {
  public:
    CountingWindow(platform::MessageLoop& loop, platform::MessageId counted)
        : Window(loop), counted_(counted) {}
    platform::LRESULT WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override {
        count += message == counted_ ? 1 : 0;
        return Window::WindowProc(message, wParam, lParam);
    }
    std::size_t count = 0;

  private:
    platform::MessageId counted_;
};

bool IsReceived(const Event& event, FrameKind kind) {
    return event.kind == Event::Kind::Received && event.decoded.kind == kind;
}

class HandsetSimulatorTest : public ::testing::Test {
  protected:
    HandsetSimulatorTest() { backend->StartWatching(window.Handle(), kChange); }

    // Waits until `n` more device-change messages have been handled.
    bool WaitForChange(std::size_t n = 1) {
        const std::size_t target = window.count + n;
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        while (window.count < target) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left <= 0ms || !loop.WaitForPost(left)) {
                return false;
            }
            loop.ProcessReady();
        }
        return true;
    }
    // Plugs the simulator in and opens it as the host does.
    std::unique_ptr<HidDevice> PlugAndOpen() {
        if (!simulator.Plug(socketPath) || !WaitForChange()) {
            return nullptr;
        }
        const std::vector<platform::HidDeviceInfo> devices = backend->Enumerate();
        return devices.size() == 1 ? backend->Open(devices[0].path) : nullptr;
    }
    // A display transfer of a screen of `fill` bytes, with `crc` in its trailer.
    void WriteScreen(HidDevice& device, std::uint8_t fill, std::uint16_t crc) {
        OutputReport data;
        data.fill(fill);
        data[0] = 0x00;
        std::vector<OutputReport> reports = {{0x00, 0xBD, 0x06, 0x00, 0x00, 0xFF, 0x03}};
        reports.insert(reports.end(), 64, data);
        reports.push_back({0x00, 0xBD, 0x09, static_cast<std::uint8_t>(crc & 0xFF),
                           static_cast<std::uint8_t>(crc >> 8)});
        for (std::size_t i = 0; i < reports.size(); ++i) {
            ASSERT_EQ(device.Write(reports[i], 50ms), HidResult::Ok) << "frame " << i;
        }
    }

    const platform::MessageId kChange = platform::RegisterWindowMessage("HandsetSimTestChange");
    platform::TempDir dir;
    const std::string socketPath = dir / "handset.sock";
    platform::MessageLoop loop;
    CountingWindow window{loop, kChange};
    std::unique_ptr<platform::SocketHidBackend> backend =
        std::make_unique<platform::SocketHidBackend>(socketPath);
    HandsetSimulator simulator;
};

TEST_F(HandsetSimulatorTest, PluggingInIsAnnouncedAndListedAsTheHandset) {
    ASSERT_TRUE(simulator.Plug(socketPath));
    EXPECT_TRUE(simulator.IsPlugged());
    ASSERT_TRUE(WaitForChange());
    const std::vector<platform::HidDeviceInfo> devices = backend->Enumerate();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].vendorId, 0x1908);
    EXPECT_EQ(devices[0].productId, 5001);
    EXPECT_EQ(devices[0].inputReportLength, 9u);
    EXPECT_EQ(devices[0].outputReportLength, 17u);
    EXPECT_EQ(simulator.Log().at(0).kind, Event::Kind::Plugged);
}

TEST_F(HandsetSimulatorTest, AnotherProductIdIsAnnouncedAsSuch) {
    HandsetSimulator other(5002);
    ASSERT_TRUE(other.Plug(socketPath));
    ASSERT_TRUE(WaitForChange());
    EXPECT_EQ(backend->Enumerate().at(0).productId, 5002);
}

TEST_F(HandsetSimulatorTest, PluggingIntoNothingFails) {
    HandsetSimulator lonely;
    EXPECT_FALSE(lonely.Plug(dir / "nobody.sock"));
    EXPECT_FALSE(lonely.IsPlugged());
    EXPECT_FALSE(lonely.SendKey(1));
}

TEST_F(HandsetSimulatorTest, AKeyArrivesAsNineBytesWithReportIdZero) {
    std::unique_ptr<HidDevice> device = PlugAndOpen();
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(simulator.SendKey(7));
    std::array<std::uint8_t, 9> report{};
    std::size_t length = 0;
    ASSERT_EQ(device->Read(report, kWait, length), HidResult::Ok);
    EXPECT_EQ(length, 9u);
    EXPECT_EQ(report, (std::array<std::uint8_t, 9>{0, 0, 1, 7, 0, 0, 0, 0, 0}));
}

TEST_F(HandsetSimulatorTest, AFirmwareReportCarriesFiveCharacters) {
    std::unique_ptr<HidDevice> device = PlugAndOpen();
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(simulator.SendFirmware("12345678"));
    EXPECT_EQ(simulator.Firmware(), "12345");
    ASSERT_TRUE(simulator.SendFirmware("V2"));
    std::array<std::uint8_t, 9> report{};
    std::size_t length = 0;
    ASSERT_EQ(device->Read(report, kWait, length), HidResult::Ok);
    EXPECT_EQ(report, (std::array<std::uint8_t, 9>{0, 0, 4, '1', '2', '3', '4', '5', 0}));
    ASSERT_EQ(device->Read(report, kWait, length), HidResult::Ok);
    EXPECT_EQ(report, (std::array<std::uint8_t, 9>{0, 0, 4, 'V', '2', 0, 0, 0, 0}));
}

TEST_F(HandsetSimulatorTest, AnOutputReportReachesTheHandsetByteForByte) {
    std::unique_ptr<HidDevice> device = PlugAndOpen();
    ASSERT_NE(device, nullptr);
    const OutputReport contrast = Control(5, 20);
    ASSERT_EQ(device->Write(contrast, 50ms), HidResult::Ok);
    const auto index =
        simulator.WaitFor([](const Event& e) { return IsReceived(e, FrameKind::Control); }, kWait);
    ASSERT_TRUE(index.has_value());
    const Event event = simulator.Log().at(*index);
    EXPECT_EQ(event.report, std::vector<std::uint8_t>(contrast.begin(), contrast.end()));
    EXPECT_EQ(event.report, (std::vector<std::uint8_t>{0, 0xBD, 0x05, 0x14, 0, 0, 0, 0, 0, 0, 0, 0,
                                                       0, 0, 0, 0, 0}));
    EXPECT_EQ(event.decoded, (Decoded{FrameKind::Control, 5, 20}));
    EXPECT_EQ(simulator.State().contrast, 20);
}

TEST_F(HandsetSimulatorTest, AFullTransferShowsTheImageAndABadChecksumIsRejected) {
    std::unique_ptr<HidDevice> device = PlugAndOpen();
    ASSERT_NE(device, nullptr);
    WriteScreen(*device, 0xFF, 0x77EB);
    const auto shown = simulator.WaitFor(
        [](const Event& e) { return IsReceived(e, FrameKind::DisplayShown); }, kWait);
    ASSERT_TRUE(shown.has_value());
    Screen dark;
    dark.fill(0xFF);
    EXPECT_EQ(simulator.State().lcd, dark);

    WriteScreen(*device, 0x00, 0xB76E);  // one bit off a blank screen's 0xB76F
    const auto rejected = simulator.WaitFor(
        [](const Event& e) { return IsReceived(e, FrameKind::DisplayBadCrc); }, kWait, *shown);
    ASSERT_TRUE(rejected.has_value());
    EXPECT_EQ(simulator.State().lcd, dark);
    EXPECT_EQ(simulator.State().transfersShown, 1u);
    EXPECT_EQ(simulator.State().transfersRejected, 1u);
}

TEST_F(HandsetSimulatorTest, UnpluggingIsAnnouncedAndTheHostsReadsReportNotConnected) {
    std::unique_ptr<HidDevice> device = PlugAndOpen();
    ASSERT_NE(device, nullptr);
    simulator.Unplug();
    EXPECT_FALSE(simulator.IsPlugged());
    ASSERT_TRUE(WaitForChange());
    EXPECT_TRUE(backend->Enumerate().empty());
    std::array<std::uint8_t, 9> report{};
    std::size_t length = 0;
    EXPECT_EQ(device->Read(report, kWait, length), HidResult::NotConnected);
    EXPECT_FALSE(simulator.SendKey(1));
    EXPECT_EQ(simulator.Log().back().kind, Event::Kind::Unplugged);
}

TEST_F(HandsetSimulatorTest, TheHostGoingAwayUnplugsTheHandset) {
    ASSERT_NE(PlugAndOpen(), nullptr);
    backend.reset();
    ASSERT_TRUE(
        simulator.WaitFor([](const Event& e) { return e.kind == Event::Kind::Unplugged; }, kWait));
    EXPECT_FALSE(simulator.IsPlugged());
}

TEST_F(HandsetSimulatorTest, ReplugStartsAFreshHandset) {
    std::unique_ptr<HidDevice> device = PlugAndOpen();
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->Write(Control(3, 3), 50ms), HidResult::Ok);
    ASSERT_TRUE(
        simulator.WaitFor([](const Event& e) { return IsReceived(e, FrameKind::Control); }, kWait));
    EXPECT_EQ(simulator.State().ringer, 3);
    // Plug unplugs first: the host sees the handset go and come back.
    ASSERT_TRUE(simulator.Plug(socketPath));
    EXPECT_FALSE(simulator.State().ringer.has_value());
    ASSERT_TRUE(WaitForChange(2));
    EXPECT_EQ(window.count, 3u);
    const std::vector<platform::HidDeviceInfo> devices = backend->Enumerate();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].path, "sim:2");
}

TEST_F(HandsetSimulatorTest, TheObserverSeesEveryEventWithTheStateAfterIt) {
    std::vector<FrameKind> kinds;
    std::optional<std::uint8_t> lightSeen;
    simulator.SetObserver([&](const Event& event, const HandsetState& state) {
        if (event.kind == Event::Kind::Received) {
            kinds.push_back(event.decoded.kind);
            lightSeen = state.displayLight;
        }
    });
    std::unique_ptr<HidDevice> device = PlugAndOpen();
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->Write(Control(2, 1), 50ms), HidResult::Ok);
    ASSERT_TRUE(
        simulator.WaitFor([](const Event& e) { return IsReceived(e, FrameKind::Control); }, kWait));
    simulator.Unplug();  // joins the receiving thread: the observer is done
    EXPECT_EQ(kinds, std::vector<FrameKind>{FrameKind::Control});
    EXPECT_EQ(lightSeen, 1);
}

}  // namespace
}  // namespace handset_sim
