// CHidLink on the hidraw backend and a real kernel, with the handset made through /dev/uhid:
// arrival and removal, matching, input reports, control commands and display transfers, an
// unplug in the middle of a transfer, and a burst of keys.
#include <gtest/gtest.h>
#include <linux/uhid.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <vector>

#include "common/Messages.h"
#include "engine/hid/CHidLink.h"
#include "engine/hid/HandsetProtocol.h"
#include "platform/hid/HidBackend.h"
#include "tests/kernel/GuestLoop.h"
#include "tests/kernel/ProbedHidBackend.h"
#include "tests/kernel/UhidDevice.h"

namespace kerneltest {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

// A key report as the handset puts it on the wire: no report id, so the type is byte 1 here.
std::array<std::uint8_t, 8> KeyOnWire(std::uint8_t scanCode, std::uint8_t extra4 = 0,
                                      std::uint8_t extra5 = 0) {
    return {0x00, handset::kKeyReport, scanCode, extra4, extra5, 0x00, 0x00, 0x00};
}

// The output report the handset receives for `frame`: report id 0, then the frame.
Bytes OnWire(const Bytes& frame) {
    Bytes report(frame.size() + 1, 0x00);
    std::copy(frame.begin(), frame.end(), report.begin() + 1);
    return report;
}

std::chrono::nanoseconds ProcessCpuTime() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

LCDFrame Patterned() {
    LCDFrame frame{};
    for (std::size_t i = 0; i < frame.size(); ++i) {
        frame[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    frame[5 * handset::kFrameSize] = handset::kFrameMarker;  // still display data
    return frame;
}

// Checks that `outputs`, from `first` on, hold the whole display transfer of `lcd`, its trailer
// carrying `crc`.
void ExpectTransfer(const std::vector<UhidDevice::Output>& outputs, std::size_t first,
                    const LCDFrame& lcd, std::uint16_t crc) {
    ASSERT_GE(outputs.size(), first + handset::kDisplayFrames);
    for (std::size_t i = first; i < first + handset::kDisplayFrames; ++i) {
        EXPECT_EQ(outputs[i].type, UHID_OUTPUT_REPORT) << "report " << i;
    }
    EXPECT_EQ(outputs[first].bytes,
              OnWire({0xBD, 0x06, 0x00, 0x00, 0xFF, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    for (std::size_t k = 0; k < 64; ++k) {
        const Bytes frame(lcd.begin() + 16 * k, lcd.begin() + 16 * (k + 1));
        EXPECT_EQ(outputs[first + 1 + k].bytes, OnWire(frame)) << "data frame " << k;
    }
    EXPECT_EQ(outputs[first + 65].bytes,
              OnWire({0xBD, 0x09, static_cast<std::uint8_t>(crc & 0xFF),
                      static_cast<std::uint8_t>(crc >> 8), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

class KernelHidLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        unsetenv("KESTREL_HANDSET_SOCKET");
        backend = std::make_shared<ProbedHidBackend>(platform::CreateHidBackend());
        MakeLink(kHandset.productId);
    }
    void TearDown() override { link.reset(); }

    void MakeLink(std::uint16_t productId) {
        link.reset();  // one watcher per backend
        link = std::make_unique<CHidLink>(owner.Handle(), productId, backend);
        link->SetAutoOpen(true);
    }

    // Plugs the handset in and waits until the link has opened it and told the owner.
    std::unique_ptr<UhidDevice> PlugHandset(const UhidIdentity& identity = kHandset) {
        const std::size_t told = DeviceChanges().size();
        auto device = std::make_unique<UhidDevice>(identity);
        EXPECT_TRUE(device->Plugged());
        EXPECT_TRUE(PumpUntil(loop, [&] {
            return device->Opens() > 0 && DeviceChanges().size() > told;
        })) << "the link did not open the plugged handset";
        return device;
    }

    std::vector<platform::WPARAM> DeviceChanges() {
        std::vector<platform::WPARAM> changes;
        for (const Received& r : owner.Of(messages.hidDeviceChange)) {
            changes.push_back(r.wParam);
        }
        return changes;
    }
    const std::vector<Received>& Reports() { return owner.Of(messages.hidDataReceived); }
    bool WaitForReports(std::size_t count) {
        return PumpUntil(loop, [&] { return Reports().size() >= count; });
    }
    std::wstring Caption() {
        platform::SendMessage(link->Handle(), platform::WM_PAINT, 0, 0);
        return link->Text();
    }

    platform::MessageLoop loop;
    RecordingWindow owner{loop};
    std::shared_ptr<ProbedHidBackend> backend;
    std::unique_ptr<CHidLink> link;
    const RegisteredMessages& messages = RegisteredMessages::Get();
};

TEST_F(KernelHidLinkTest, FindsTheHandsetByVendorAndConfiguredProductIdOnly) {
    EXPECT_FALSE(link->IsPresent());

    UhidDevice twin(kHandsetTwin);
    ASSERT_TRUE(twin.Plugged());
    ASSERT_TRUE(PumpUntil(loop, [&] { return backend->DeviceChanges() >= 1; }));
    EXPECT_FALSE(link->IsPresent());
    EXPECT_EQ(Caption(), L"Device Not Detected!");
    EXPECT_EQ(twin.Opens(), 0u);
    EXPECT_TRUE(DeviceChanges().empty());

    auto handsetDevice = PlugHandset();
    EXPECT_EQ(DeviceChanges(), std::vector<platform::WPARAM>{1});
    EXPECT_TRUE(link->IsPresent());
    EXPECT_EQ(Caption(), L"Device Detected And Opened");
    EXPECT_EQ(twin.Opens(), 0u);

    // Configured for product 5002, a link takes the twin and leaves the handset alone.
    MakeLink(kHandsetTwin.productId);
    EXPECT_TRUE(PumpUntil(loop, [&] { return handsetDevice->Closes() == 1; }));
    EXPECT_TRUE(link->IsPresent());
    EXPECT_TRUE(PumpUntil(loop, [&] { return twin.Opens() == 1; }));
    EXPECT_EQ(handsetDevice->Opens(), 1u);
}

TEST_F(KernelHidLinkTest, InputReportsArriveWithTheReportIdPutBack) {
    auto handsetDevice = PlugHandset();
    ASSERT_TRUE(handsetDevice->SendInput(KeyOnWire(7)));
    const std::array<std::uint8_t, 8> firmware{
        0x00, handset::kFirmwareReport, '1', '2', '3', '4', '5', 0x00};
    ASSERT_TRUE(handsetDevice->SendInput(firmware));

    ASSERT_TRUE(WaitForReports(2));
    ASSERT_EQ(Reports().size(), 2u);
    EXPECT_EQ(Reports()[0].wParam, 0x10700u);
    EXPECT_EQ(Reports()[0].lParam, 0);
    EXPECT_EQ(handset::ReportTypeOf(Reports()[0].wParam), handset::kKeyReport);
    EXPECT_EQ(handset::ScanCodeOf(Reports()[0].wParam), 7);
    EXPECT_EQ(Reports()[1].wParam, 0x43132u);
    EXPECT_EQ(Reports()[1].lParam, 0x33343500);
}

TEST_F(KernelHidLinkTest, ControlCommandReachesTheHandsetByteForByte) {
    auto handsetDevice = PlugHandset();
    EXPECT_TRUE(link->SendCtrlCmd(handset::kContrast, 20));
    ASSERT_TRUE(PumpUntil(loop, [&] { return handsetDevice->OutputCount() >= 1; }));
    const auto outputs = handsetDevice->Outputs();
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs[0].type, UHID_OUTPUT_REPORT);
    EXPECT_EQ(outputs[0].bytes, OnWire({0xBD, 0x05, 0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(KernelHidLinkTest, DisplayTransfersReachTheHandsetWithTheirChecksums) {
    auto handsetDevice = PlugHandset();
    const LCDFrame patterned = Patterned();
    LCDFrame dark{};
    dark.fill(0xFF);

    EXPECT_TRUE(link->SendLCDFrame(patterned));
    EXPECT_TRUE(link->SendLCDFrame(dark));
    ASSERT_TRUE(PumpUntil(
        loop, [&] { return handsetDevice->OutputCount() >= 2 * handset::kDisplayFrames; }));
    const auto outputs = handsetDevice->Outputs();
    EXPECT_EQ(outputs.size(), 2 * handset::kDisplayFrames);
    ExpectTransfer(outputs, 0, patterned, handset::ComputeCRC(patterned));
    ExpectTransfer(outputs, handset::kDisplayFrames, dark, 0x77EB);
}

TEST_F(KernelHidLinkTest, AnotherVendorsDeviceReopensTheHandsetButTellsTheOwnerNothing) {
    auto handsetDevice = PlugHandset();
    const std::size_t handled = backend->DeviceChanges();

    UhidDevice other(kOtherVendorDevice);
    ASSERT_TRUE(other.Plugged());
    ASSERT_TRUE(PumpUntil(loop, [&] {
        return backend->DeviceChanges() > handled && handsetDevice->Opens() == 2;
    })) << "the change did not close and reopen the handset";
    EXPECT_EQ(handsetDevice->Closes(), 1u);
    EXPECT_EQ(other.Opens(), 0u);

    other.Unplug();
    ASSERT_TRUE(PumpUntil(loop, [&] { return handsetDevice->Opens() == 3; }));
    EXPECT_EQ(DeviceChanges(), std::vector<platform::WPARAM>{1});
    EXPECT_EQ(Caption(), L"Device Detected And Opened");

    ASSERT_TRUE(handsetDevice->SendInput(KeyOnWire(3)));
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(Reports()[0].wParam, 0x10300u);
}

TEST_F(KernelHidLinkTest, UnplugDuringADisplayTransferIsToldOnceAndReplugReopens) {
    auto handsetDevice = PlugHandset();
    const std::size_t handled = backend->DeviceChanges();

    constexpr std::size_t kUnplugAt = 20;
    backend->BeforeWrite(kUnplugAt, [&] { handsetDevice->Unplug(); });
    EXPECT_FALSE(link->SendLCDFrame(Patterned()));

    // The transfer stops at the first write that finds the device gone.
    const std::vector<platform::HidResult> results = backend->WriteResults();
    ASSERT_EQ(results.size(), kUnplugAt);
    EXPECT_EQ(results.back(), platform::HidResult::NotConnected);
    EXPECT_EQ(std::count(results.begin(), results.end(), platform::HidResult::Ok),
              static_cast<std::ptrdiff_t>(kUnplugAt - 1));
    ASSERT_TRUE(PumpUntil(loop, [&] { return handsetDevice->Stopped(); }));
    EXPECT_EQ(handsetDevice->OutputCount(), kUnplugAt - 1);

    // The failed write made the link look again; the kernel's removal event makes it look once
    // more, and the owner hears of the removal once.
    ASSERT_TRUE(PumpUntil(loop, [&] { return backend->DeviceChanges() > handled; }));
    EXPECT_EQ(DeviceChanges(), (std::vector<platform::WPARAM>{1, 0}));
    EXPECT_FALSE(link->IsPresent());
    EXPECT_EQ(Caption(), L"Device Not Detected!");
    EXPECT_FALSE(link->SendCtrlCmd(handset::kDisplayLight, 1));

    // Without a device the reader pauses between looks instead of spinning.
    const std::size_t readsBefore = backend->Reads();
    const auto cpuBefore = ProcessCpuTime();
    const auto wallBefore = std::chrono::steady_clock::now();
    PumpFor(loop, milliseconds(300));
    const auto wall = std::chrono::steady_clock::now() - wallBefore;
    EXPECT_LE(backend->Reads() - readsBefore, 4u);
    EXPECT_LT(ProcessCpuTime() - cpuBefore, wall / 5);

    auto replugged = PlugHandset();
    EXPECT_EQ(DeviceChanges(), (std::vector<platform::WPARAM>{1, 0, 1}));
    EXPECT_TRUE(link->IsPresent());
    EXPECT_EQ(Caption(), L"Device Detected And Opened");

    ASSERT_TRUE(replugged->SendInput(KeyOnWire(9)));
    ASSERT_TRUE(WaitForReports(1));
    EXPECT_EQ(Reports()[0].wParam, 0x10900u);

    // The next transfer starts again with its header.
    const LCDFrame patterned = Patterned();
    EXPECT_TRUE(link->SendLCDFrame(patterned));
    ASSERT_TRUE(
        PumpUntil(loop, [&] { return replugged->OutputCount() >= handset::kDisplayFrames; }));
    ExpectTransfer(replugged->Outputs(), 0, patterned, handset::ComputeCRC(patterned));
}

// Keeps the times of its timer's ticks.
class TickingWindow final : public platform::Window {
  public:
    using Window::Window;
    std::vector<std::chrono::steady_clock::time_point> ticks;

  protected:
    void OnTimer(platform::TimerId) override { ticks.push_back(std::chrono::steady_clock::now()); }
};

TEST_F(KernelHidLinkTest, AHandsetThatStopsTakingOutputCannotFreezeTheLoop) {
    MakeLink(kAnsweringHandset.productId);
    auto handsetDevice = PlugHandset(kAnsweringHandset);
    const LCDFrame patterned = Patterned();
    ASSERT_TRUE(link->SendLCDFrame(patterned));
    ASSERT_EQ(handsetDevice->OutputCount(), handset::kDisplayFrames);

    // The handset stops answering: a write now waits in the kernel for up to 5 s.
    handsetDevice->HoldEvents(true);
    const std::size_t writesBefore = backend->WriteResults().size();
    TickingWindow ticker{loop};
    ticker.SetTimer(1, milliseconds(20));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(link->SendLCDFrame(patterned));
    EXPECT_FALSE(link->SendLCDFrame(patterned));
    EXPECT_FALSE(link->SendCtrlCmd(handset::kDisplayLight, 1));
    const auto stalled = std::chrono::steady_clock::now() - start;
    // One write's budget for all of it (a freeze would be 66 budgets, or the kernel's 5 s).
    EXPECT_LT(stalled, milliseconds(1000));
    const std::vector<platform::HidResult> results = backend->WriteResults();
    ASSERT_EQ(results.size(), writesBefore + 1);
    EXPECT_EQ(results.back(), platform::HidResult::Timeout);
    // The loop goes on: the timer, due during the stall, ticks as soon as the loop runs.
    ASSERT_TRUE(PumpUntil(loop, [&] { return !ticker.ticks.empty(); }));
    EXPECT_LT(ticker.ticks.front() - start, stalled + milliseconds(100));
    ticker.KillTimer(1);

    // The handset answers again; after the pause the next transfer reaches it whole, behind the
    // report that had waited.
    handsetDevice->HoldEvents(false);
    PumpFor(loop, CHidLink::kStalledPause + milliseconds(100));
    EXPECT_TRUE(link->SendLCDFrame(patterned));
    const std::vector<UhidDevice::Output> outputs = handsetDevice->Outputs();
    ASSERT_EQ(outputs.size(), 2 * handset::kDisplayFrames + 1);
    ExpectTransfer(outputs, handset::kDisplayFrames + 1, patterned, handset::ComputeCRC(patterned));
}

TEST_F(KernelHidLinkTest, ABurstOfAThousandKeysArrivesCompleteAndInOrder) {
    auto handsetDevice = PlugHandset();
    constexpr std::size_t kKeys = 1000;
    // A hidraw handle queues 64 reports; a real handset sends at its USB polling rate, so the
    // test keeps no more than half of that in flight.
    constexpr std::size_t kInFlight = 32;

    for (std::size_t i = 0; i < kKeys; ++i) {
        if (i - Reports().size() >= kInFlight) {
            ASSERT_TRUE(PumpUntil(loop, [&] { return i - Reports().size() < kInFlight; }))
                << "stuck after " << Reports().size() << " keys";
        }
        const auto scanCode = static_cast<std::uint8_t>(i % 200 + 1);
        ASSERT_TRUE(handsetDevice->SendInput(KeyOnWire(scanCode, static_cast<std::uint8_t>(i >> 8),
                                                       static_cast<std::uint8_t>(i & 0xFF))));
    }
    ASSERT_TRUE(WaitForReports(kKeys)) << Reports().size() << " keys arrived";
    PumpFor(loop, milliseconds(50));
    ASSERT_EQ(Reports().size(), kKeys);
    for (std::size_t i = 0; i < kKeys; ++i) {
        const platform::WPARAM wParam = 0x10000u | (i % 200 + 1) << 8 | i >> 8;
        const auto lParam = static_cast<platform::LPARAM>((i & 0xFF) << 24);
        ASSERT_EQ(Reports()[i].wParam, wParam) << "key " << i;
        ASSERT_EQ(Reports()[i].lParam, lParam) << "key " << i;
    }
}

}  // namespace
}  // namespace kerneltest
