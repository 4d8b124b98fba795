// The HID link over the fake backend: finding, opening, device changes, writes and the reader.
#include "engine/hid/CHidLink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "common/Messages.h"
#include "platform/hid/fake/FakeHidBackend.h"
#include "platform/loop/MessageLoop.h"

namespace {

using platform::FakeHidBackend;
using platform::HidDeviceInfo;
using platform::HidResult;
using std::chrono::milliseconds;

constexpr char kHandsetPath[] = "fake/hidraw-handset";

HidDeviceInfo Handset(std::uint16_t productId = 5001, std::string path = kHandsetPath) {
    return {std::move(path), 0x1908, productId, 9, 17};
}

HidDeviceInfo Mouse() {
    return {"fake/hidraw-mouse", 0x046D, 0xC077, 5, 0};
}

std::vector<std::uint8_t> KeyReport(std::uint8_t scanCode, std::uint8_t extra = 0) {
    return {0x00, 0x00, 0x01, scanCode, extra, 0, 0, 0, 0};
}

struct Posted {
    platform::MessageId message;
    platform::WPARAM wParam;
    platform::LPARAM lParam;
};

// Stands in for the engine window: keeps what the link posts to it.
class OwnerWindow : public platform::Window {
  public:
    using Window::Window;
    platform::LRESULT WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override {
        received.push_back({message, wParam, lParam});
        return 1;
    }
    std::vector<Posted> Of(platform::MessageId message) const {
        std::vector<Posted> of;
        for (const Posted& p : received) {
            if (p.message == message) {
                of.push_back(p);
            }
        }
        return of;
    }
    std::vector<Posted> received;
};

class HidLinkTest : public ::testing::Test {
  protected:
    std::unique_ptr<CHidLink> MakeLink(std::uint16_t productId = 5001, bool autoOpen = true) {
        auto link = std::make_unique<CHidLink>(owner.Handle(), productId, fake);
        if (autoOpen) {
            link->SetAutoOpen(true);
        }
        return link;
    }

    std::vector<platform::WPARAM> DeviceChanges() const {
        std::vector<platform::WPARAM> changes;
        for (const Posted& p : owner.Of(messages.hidDeviceChange)) {
            changes.push_back(p.wParam);
        }
        return changes;
    }

    // Pumps the loop until `count` reports have arrived, or nothing came for two seconds.
    std::vector<Posted> WaitForReports(std::size_t count) {
        while (owner.Of(messages.hidDataReceived).size() < count &&
               loop.WaitForPost(milliseconds(2000))) {
            loop.ProcessReady();
        }
        return owner.Of(messages.hidDataReceived);
    }

    std::wstring Caption(CHidLink& link) {
        platform::SendMessage(link.Handle(), platform::WM_PAINT, 0, 0);
        return link.Text();
    }

    platform::ManualClock clock;
    platform::MessageLoop loop{clock};
    std::shared_ptr<FakeHidBackend> fake = std::make_shared<FakeHidBackend>(&clock);
    OwnerWindow owner{loop};
    const RegisteredMessages& messages = RegisteredMessages::Get();
};

TEST_F(HidLinkTest, AutoOpenFindsAndOpensTheHandsetWithoutTelling) {
    fake->Plug(Handset());
    auto link = MakeLink();
    EXPECT_TRUE(link->IsPresent());
    EXPECT_EQ(fake->OpenHandles(), 1u);
    EXPECT_EQ(link->Text(), L"");
    loop.ProcessReady();
    EXPECT_TRUE(DeviceChanges().empty());
    EXPECT_EQ(Caption(*link), L"Device Detected And Opened");
}

TEST_F(HidLinkTest, WithoutHandsetNothingIsWritten) {
    auto link = MakeLink();
    EXPECT_FALSE(link->IsPresent());
    EXPECT_EQ(Caption(*link), L"Device Not Detected!");
    EXPECT_FALSE(link->SendCtrlCmd(handset::kDisplayLight, 1));
    EXPECT_FALSE(link->SendLCDFrame(LCDFrame{}));
    EXPECT_TRUE(fake->Writes().empty());
}

TEST_F(HidLinkTest, RemovalAndReturnAreEachToldOnce) {
    fake->Plug(Handset());
    auto link = MakeLink();
    fake->Unplug(kHandsetPath);
    loop.ProcessReady();
    EXPECT_EQ(DeviceChanges(), std::vector<platform::WPARAM>{0});
    EXPECT_FALSE(link->IsPresent());
    EXPECT_EQ(link->Text(), L"Device Not Detected!");
    EXPECT_EQ(fake->OpenHandles(), 0u);

    fake->Plug(Handset());
    loop.ProcessReady();
    EXPECT_EQ(DeviceChanges(), (std::vector<platform::WPARAM>{0, 1}));
    EXPECT_TRUE(link->IsPresent());
    EXPECT_EQ(link->Text(), L"Device Detected And Opened");

    // The reader reads the new device.
    fake->InjectReport(kHandsetPath, KeyReport(7));
    const auto reports = WaitForReports(1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].wParam, 0x10700u);
}

TEST_F(HidLinkTest, UnrelatedDeviceChangeReopensButTellsNothing) {
    fake->Plug(Handset());
    auto link = MakeLink();
    const std::size_t opens = fake->OpenCount();
    fake->Plug(Mouse());
    loop.ProcessReady();
    EXPECT_EQ(fake->OpenCount(), opens + 1);
    EXPECT_EQ(fake->OpenHandles(), 1u);
    EXPECT_TRUE(DeviceChanges().empty());
    EXPECT_EQ(link->Text(), L"Device Detected And Opened");
    EXPECT_TRUE(link->SendCtrlCmd(handset::kDisplayLight, 1));
}

TEST_F(HidLinkTest, ReportsQueuedOnTheClosedHandleAreNotLost) {
    fake->Plug(Handset());
    auto link = MakeLink();
    constexpr std::size_t kQueued = 10;
    for (std::size_t i = 0; i < kQueued; ++i) {
        fake->InjectReport(kHandsetPath, KeyReport(i));
    }
    platform::SendMessage(link->Handle(), platform::WM_DEVICECHANGE, 0, 0);
    fake->InjectReport(kHandsetPath, KeyReport(kQueued));
    const auto reports = WaitForReports(kQueued + 1);
    loop.ProcessReady();
    ASSERT_EQ(owner.Of(messages.hidDataReceived).size(), kQueued + 1);
    for (std::size_t i = 0; i <= kQueued; ++i) {
        EXPECT_EQ(reports[i].wParam, 0x10000u | i << 8) << "report " << i;
    }
}

TEST_F(HidLinkTest, OnlyTheConfiguredProductOfTheVendorMatches) {
    fake->Plug(Handset(5002, "fake/other-model"));
    fake->Plug({"fake/other-vendor", 0x1909, 5001, 9, 17});
    auto link = MakeLink();
    EXPECT_FALSE(link->IsPresent());
    EXPECT_EQ(fake->OpenHandles(), 0u);
}

TEST_F(HidLinkTest, ConfiguredProductIdIsLookedFor) {
    fake->Plug(Handset(5001, "fake/default-model"));
    fake->Plug(Handset(5002, "fake/other-model"));
    auto link = MakeLink(5002);
    ASSERT_TRUE(link->IsPresent());
    ASSERT_TRUE(link->SendCtrlCmd(handset::kRinger, 0));
    EXPECT_EQ(fake->Writes().at(0).path, "fake/other-model");
}

TEST_F(HidLinkTest, ControlCommandIsOneOutputReport) {
    fake->Plug(Handset());
    auto link = MakeLink();
    ASSERT_TRUE(link->SendCtrlCmd(handset::kContrast, 20));
    const auto writes = fake->Writes();
    ASSERT_EQ(writes.size(), 1u);
    std::vector<std::uint8_t> expected(17, 0);
    expected[1] = 0xBD;
    expected[2] = 0x05;
    expected[3] = 0x14;
    EXPECT_EQ(writes[0].report, expected);
    EXPECT_EQ(writes[0].timeout, milliseconds(50));
}

TEST_F(HidLinkTest, OutputReportFillsTheDevicesReportLength) {
    fake->Plug({kHandsetPath, 0x1908, 5001, 9, 33});
    auto link = MakeLink();
    ASSERT_TRUE(link->SendCtrlCmd(handset::kMicMute, 1));
    const auto report = fake->Writes().at(0).report;
    ASSERT_EQ(report.size(), 33u);
    EXPECT_EQ(report[1], 0xBD);
    EXPECT_EQ(report[2], 4);
    EXPECT_EQ(report[3], 1);
    EXPECT_TRUE(std::all_of(report.begin() + 4, report.end(), [](auto b) { return b == 0; }));
}

TEST_F(HidLinkTest, DisplayTransferIsSixtySixReports) {
    fake->Plug(Handset());
    auto link = MakeLink();
    LCDFrame lcd{};
    lcd[16 * 5] = 0xBD;
    lcd[1023] = 0x80;
    ASSERT_TRUE(link->SendLCDFrame(lcd));
    const auto writes = fake->Writes();
    ASSERT_EQ(writes.size(), 66u);
    const auto frames = handset::DisplayTransfer(lcd);
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const handset::OutputReport report = handset::ToOutputReport(frames[i]);
        ASSERT_EQ(writes[i].report, std::vector<std::uint8_t>(report.begin(), report.end()))
            << "report " << i;
    }
}

TEST_F(HidLinkTest, DisplayTransferStopsAtTheFirstFailedReport) {
    fake->Plug(Handset());
    auto link = MakeLink();
    fake->FailNextWrites(HidResult::Error);
    EXPECT_FALSE(link->SendLCDFrame(LCDFrame{}));
    EXPECT_EQ(fake->Writes().size(), 1u);
    // The next transfer starts afresh with its header.
    EXPECT_TRUE(link->SendLCDFrame(LCDFrame{}));
    EXPECT_EQ(fake->Writes().size(), 67u);
    EXPECT_EQ(fake->Writes()[1].report[2], handset::kDisplayHeader);
}

TEST_F(HidLinkTest, AStalledHandsetCostsOneWriteBudgetAPauseNotOnePerFrame) {
    fake->Plug(Handset());
    auto link = MakeLink();
    const platform::TimePoint start = loop.Now();
    fake->FailNextWrites(HidResult::Timeout, 1000);
    EXPECT_FALSE(link->SendCtrlCmd(handset::kDisplayLight, 1));
    EXPECT_EQ(loop.Now() - start, milliseconds(50));
    EXPECT_TRUE(link->IsPresent());

    // Within the pause a whole display transfer fails at once, without touching the handset.
    EXPECT_FALSE(link->SendLCDFrame(LCDFrame{}));
    EXPECT_EQ(fake->Writes().size(), 1u);
    clock.Advance(CHidLink::kStalledPause - milliseconds(1));
    EXPECT_FALSE(link->SendCtrlCmd(handset::kDisplayLight, 1));
    EXPECT_EQ(fake->Writes().size(), 1u);

    // After it, the handset is tried again: still stalled, one more budget and a new pause.
    clock.Advance(milliseconds(1));
    EXPECT_FALSE(link->SendLCDFrame(LCDFrame{}));
    EXPECT_EQ(fake->Writes().size(), 2u);
    EXPECT_EQ(loop.Now() - start, CHidLink::kStalledPause + milliseconds(100));

    // Taking output again ends it: every frame of the next transfer is written.
    fake->FailNextWrites(HidResult::Ok, 0);
    clock.Advance(CHidLink::kStalledPause);
    EXPECT_TRUE(link->SendLCDFrame(LCDFrame{}));
    EXPECT_EQ(fake->Writes().size(), 2u + handset::kDisplayFrames);
}

TEST_F(HidLinkTest, ReopeningTheHandsetEndsTheStalledPause) {
    fake->Plug(Handset());
    auto link = MakeLink();
    fake->FailNextWrites(HidResult::Timeout);
    EXPECT_FALSE(link->SendCtrlCmd(handset::kDisplayLight, 1));
    platform::SendMessage(link->Handle(), platform::WM_DEVICECHANGE, 0, 0);
    EXPECT_TRUE(link->SendCtrlCmd(handset::kDisplayLight, 1));
}

TEST_F(HidLinkTest, WriteErrorIsNotTakenForRemoval) {
    fake->Plug(Handset());
    auto link = MakeLink();
    const std::size_t enumerations = fake->EnumerateCount();
    fake->FailNextWrites(HidResult::Error);
    EXPECT_FALSE(link->SendCtrlCmd(handset::kDisplayLight, 1));
    EXPECT_EQ(fake->EnumerateCount(), enumerations);
    EXPECT_EQ(fake->OpenHandles(), 1u);
}

TEST_F(HidLinkTest, WriteToVanishedDeviceLooksForItAgainAndTellsOnce) {
    fake->Plug(Handset());
    auto link = MakeLink();
    const std::size_t enumerations = fake->EnumerateCount();
    fake->Unplug(kHandsetPath);  // the link has not handled the change yet
    EXPECT_FALSE(link->SendCtrlCmd(handset::kDisplayLight, 1));
    EXPECT_EQ(fake->EnumerateCount(), enumerations + 4);
    EXPECT_FALSE(link->IsPresent());
    EXPECT_EQ(link->Text(), L"Device Not Detected!");
    loop.ProcessReady();  // the watcher's own notice of the removal
    EXPECT_EQ(DeviceChanges(), std::vector<platform::WPARAM>{0});
}

TEST_F(HidLinkTest, WriteNotConnectedWhileStillListedReopens) {
    fake->Plug(Handset());
    auto link = MakeLink();
    const std::size_t opens = fake->OpenCount();
    fake->FailNextWrites(HidResult::NotConnected);
    EXPECT_FALSE(link->SendCtrlCmd(handset::kDisplayLight, 1));
    EXPECT_EQ(fake->OpenCount(), opens + 4);
    EXPECT_EQ(fake->OpenHandles(), 1u);
    loop.ProcessReady();
    EXPECT_TRUE(DeviceChanges().empty());
    EXPECT_TRUE(link->SendCtrlCmd(handset::kDisplayLight, 1));
}

TEST_F(HidLinkTest, AHandsetThatDoesNotOpenIsNotPresentUntilItOpens) {
    // A desktop announces the node before udev has given the user access to it.
    fake->RefuseOpen(kHandsetPath, true);
    fake->Plug(Handset());
    auto link = MakeLink();
    loop.ProcessReady();
    EXPECT_FALSE(link->IsPresent());
    EXPECT_EQ(Caption(*link), L"Device Not Detected!");
    EXPECT_FALSE(link->SendCtrlCmd(handset::kDisplayLight, 1));
    EXPECT_TRUE(DeviceChanges().empty());

    // udev's own event: now it opens, and only now is the arrival told.
    fake->RefuseOpen(kHandsetPath, false);
    platform::SendMessage(link->Handle(), platform::WM_DEVICECHANGE, 0, 0);
    loop.ProcessReady();
    EXPECT_TRUE(link->IsPresent());
    EXPECT_EQ(Caption(*link), L"Device Detected And Opened");
    EXPECT_EQ(DeviceChanges(), std::vector<platform::WPARAM>{1});
    EXPECT_TRUE(link->SendCtrlCmd(handset::kDisplayLight, 1));
    EXPECT_EQ(fake->OpenHandles(), 1u);  // the enumeration's open is the one kept
}

TEST_F(HidLinkTest, WithoutAutoOpenTheHandsetIsFoundButLeftClosed) {
    fake->Plug(Handset());
    auto manual = MakeLink(5001, false);
    platform::SendMessage(manual->Handle(), platform::WM_DEVICECHANGE, 0, 0);
    EXPECT_TRUE(manual->IsPresent());
    EXPECT_EQ(manual->Text(), L"Device Detected And Closed");
    EXPECT_EQ(fake->OpenHandles(), 0u);
}

TEST_F(HidLinkTest, AnIdleReaderWaitsInOneReadAndClosesAtOnce) {
    fake->Plug(Handset());
    auto link = MakeLink();
    ASSERT_TRUE(fake->WaitForReadInProgress(milliseconds(2000)));
    const std::size_t calls = fake->ReadCalls();
    // Read slices would have made several calls by now.
    EXPECT_FALSE(fake->WaitForReadCalls(calls + 1, milliseconds(100)));
    // The read waits without limit: closing must end it, not wait for it.
    link->CloseDevice();
    EXPECT_EQ(fake->ReadsInProgress(), 0u);
}

TEST_F(HidLinkTest, ThousandKeyReportsArriveCompleteAndInOrder) {
    fake->Plug(Handset());
    auto link = MakeLink();
    constexpr std::size_t kReports = 1000;
    for (std::size_t i = 0; i < kReports; ++i) {
        ASSERT_EQ(fake->InjectReport(kHandsetPath, KeyReport(i & 0xFF, i >> 8)), 1u);
    }
    const auto reports = WaitForReports(kReports);
    ASSERT_EQ(reports.size(), kReports);
    for (std::size_t i = 0; i < kReports; ++i) {
        ASSERT_EQ(reports[i].wParam, 0x10000u | (i & 0xFF) << 8 | i >> 8) << "report " << i;
        ASSERT_EQ(reports[i].lParam, 0);
    }
}

TEST_F(HidLinkTest, ReportsCarryBytesOneToEight) {
    fake->Plug(Handset());
    auto link = MakeLink();
    const std::vector<std::uint8_t> firmware{0x00, 0x00, 0x04, 0x31, 0x32, 0x33, 0x34, 0x35, 0x00};
    fake->InjectReport(kHandsetPath, firmware);
    const auto reports = WaitForReports(1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].wParam, 0x43132u);
    EXPECT_EQ(reports[0].lParam, 0x33343500);
}

TEST_F(HidLinkTest, ShortReportIsDropped) {
    fake->Plug(Handset());
    auto link = MakeLink();
    fake->InjectReport(kHandsetPath, std::vector<std::uint8_t>{0x00, 0x00, 0x01, 0x07});
    fake->InjectReport(kHandsetPath, KeyReport(9));
    const auto reports = WaitForReports(1);
    loop.ProcessReady();
    ASSERT_EQ(owner.Of(messages.hidDataReceived).size(), 1u);
    EXPECT_EQ(reports[0].wParam, 0x10900u);
}

TEST_F(HidLinkTest, DeviceChangeClosesTheOldHandleBeforeTheNewIsRead) {
    fake->Plug(Handset());
    auto link = MakeLink();
    constexpr std::size_t kRounds = 20;
    for (std::size_t round = 0; round < kRounds; ++round) {
        // Catch the reader inside a read of the handle about to be closed.
        ASSERT_TRUE(fake->WaitForReadInProgress(milliseconds(2000)));
        platform::SendMessage(link->Handle(), platform::WM_DEVICECHANGE, 0, 0);
        // A report given to both handles would be read twice.
        EXPECT_EQ(fake->OpenHandles(), 1u);
        EXPECT_EQ(fake->InjectReport(kHandsetPath, KeyReport(round)), 1u);
        ASSERT_EQ(WaitForReports(round + 1).size(), round + 1);
    }
    loop.ProcessReady();
    const auto reports = owner.Of(messages.hidDataReceived);
    ASSERT_EQ(reports.size(), kRounds);
    for (std::size_t i = 0; i < kRounds; ++i) {
        EXPECT_EQ(reports[i].wParam, 0x10000u | i << 8);
    }
}

TEST_F(HidLinkTest, RemovedDeviceIsNotPolledInABusyLoop) {
    fake->Plug(Handset());
    auto link = MakeLink();
    ASSERT_TRUE(fake->WaitForReadCalls(1, milliseconds(2000)));
    fake->Unplug(kHandsetPath);  // not handled: the reader keeps the dead device
    const std::size_t calls = fake->ReadCalls();
    // Idle pauses allow a handful of reads in 300 ms; a busy loop makes thousands.
    EXPECT_FALSE(fake->WaitForReadCalls(calls + 30, milliseconds(300)));
}

TEST_F(HidLinkTest, CloseDeviceStopsTheReaderAndAutoOpenRestartsIt) {
    fake->Plug(Handset());
    auto link = MakeLink();
    ASSERT_TRUE(fake->WaitForReadCalls(1, milliseconds(2000)));
    link->CloseDevice();
    EXPECT_EQ(fake->ReadsInProgress(), 0u);
    EXPECT_EQ(fake->OpenHandles(), 0u);
    EXPECT_EQ(fake->InjectReport(kHandsetPath, KeyReport(1)), 0u);
    EXPECT_FALSE(link->SendCtrlCmd(handset::kDisplayLight, 1));

    link->SetAutoOpen(true);
    fake->InjectReport(kHandsetPath, KeyReport(2));
    const auto reports = WaitForReports(1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].wParam, 0x10200u);
}

TEST_F(HidLinkTest, DestructionStopsTheReader) {
    fake->Plug(Handset());
    auto link = MakeLink();
    ASSERT_TRUE(fake->WaitForReadCalls(1, milliseconds(2000)));
    link.reset();
    EXPECT_EQ(fake->ReadsInProgress(), 0u);
    EXPECT_EQ(fake->OpenHandles(), 0u);
    const std::size_t calls = fake->ReadCalls();
    EXPECT_FALSE(fake->WaitForReadCalls(calls + 1, milliseconds(50)));
}

TEST_F(HidLinkTest, CloseMessageReleasesTheDeviceAndTheWindow) {
    fake->Plug(Handset());
    auto link = MakeLink();
    const platform::WindowHandle handle = link->Handle();
    platform::SendMessage(handle, platform::WM_CLOSE, 0, 0);
    EXPECT_FALSE(platform::IsWindow(handle));
    EXPECT_EQ(fake->OpenHandles(), 0u);
    EXPECT_FALSE(link->SendCtrlCmd(handset::kDisplayLight, 1));
}

}  // namespace
