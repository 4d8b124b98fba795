// The simulated handset's reading of output reports: controls, display transfers and bad frames.
#include "tools/handset-sim/OutputDecoder.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "engine/hid/HandsetProtocol.h"

namespace handset_sim {
namespace {

using Report = std::array<std::uint8_t, 17>;

Report Control(std::uint8_t command, std::uint8_t value) {
    return handset::ToOutputReport(handset::ControlFrame(command, value));
}

LCDFrame Pattern() {
    LCDFrame lcd{};
    for (std::size_t i = 0; i < lcd.size(); ++i) {
        lcd[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    // Data frame 1 starts like a display-light control frame; it is display data all the same.
    lcd[16] = 0xBD;
    lcd[17] = 0x02;
    return lcd;
}

std::vector<Report> Transfer(const LCDFrame& lcd) {
    std::vector<Report> reports;
    for (const handset::Frame& frame : handset::DisplayTransfer(lcd)) {
        reports.push_back(handset::ToOutputReport(frame));
    }
    return reports;
}

// Feeds every report but the last and checks that each was taken as part of the transfer.
void FeedAllButTrailer(OutputDecoder& decoder, const std::vector<Report>& transfer) {
    ASSERT_EQ(decoder.Feed(transfer[0]), std::vector<Decoded>{{FrameKind::DisplayHeader}});
    for (std::size_t i = 1; i + 1 < transfer.size(); ++i) {
        ASSERT_EQ(decoder.Feed(transfer[i]), std::vector<Decoded>{{FrameKind::DisplayData}}) << i;
    }
}

TEST(OutputDecoderTest, ControlFramesSetTheHandsetsState) {
    OutputDecoder decoder;
    EXPECT_EQ(decoder.Feed(Control(5, 20)), (std::vector<Decoded>{{FrameKind::Control, 5, 20}}));
    decoder.Feed(Control(1, 1));
    decoder.Feed(Control(2, 1));
    decoder.Feed(Control(3, 4));
    decoder.Feed(Control(4, 1));
    decoder.Feed(Control(7, 1));
    decoder.Feed(Control(12, 0));
    decoder.Feed(Control(8, 0));
    decoder.Feed(Control(8, 0));
    decoder.Feed(Control(10, 0));
    const HandsetState& state = decoder.State();
    EXPECT_EQ(state.contrast, 20);
    EXPECT_EQ(state.keySound, 1);
    EXPECT_EQ(state.displayLight, 1);
    EXPECT_EQ(state.ringer, 4);
    EXPECT_EQ(state.micMute, 1);
    EXPECT_EQ(state.soundOutput, 1);
    EXPECT_EQ(state.keypadBacklight, 0);
    EXPECT_EQ(state.startupNotices, 2u);
    EXPECT_EQ(state.closings, 1u);
}

TEST(OutputDecoderTest, ABlankDisplayWithItsKnownChecksumIsShown) {
    OutputDecoder decoder;
    decoder.Feed(Control(2, 1));
    const Report header = {0, 0xBD, 0x06, 0x00, 0x00, 0xFF, 0x03};
    const Report zeros{};
    const Report trailer = {0, 0xBD, 0x09, 0x6F, 0xB7};
    ASSERT_EQ(decoder.Feed(header), std::vector<Decoded>{{FrameKind::DisplayHeader}});
    for (int i = 0; i < 64; ++i) {
        ASSERT_EQ(decoder.Feed(zeros), std::vector<Decoded>{{FrameKind::DisplayData}});
    }
    EXPECT_EQ(decoder.Feed(trailer), std::vector<Decoded>{{FrameKind::DisplayShown}});
    EXPECT_EQ(decoder.State().lcd, LCDFrame{});
    EXPECT_EQ(decoder.State().transfersShown, 1u);
    EXPECT_EQ(decoder.State().displayLight, 1);
}

TEST(OutputDecoderTest, ATransferShowsItsImageAndDataFramesAreNeverCommands) {
    OutputDecoder decoder;
    const LCDFrame lcd = Pattern();
    const std::vector<Report> transfer = Transfer(lcd);
    FeedAllButTrailer(decoder, transfer);
    EXPECT_EQ(decoder.Feed(transfer.back()), std::vector<Decoded>{{FrameKind::DisplayShown}});
    EXPECT_EQ(decoder.State().lcd, lcd);
    EXPECT_FALSE(decoder.State().displayLight.has_value());
}

TEST(OutputDecoderTest, AWrongChecksumKeepsTheImageShownBefore) {
    OutputDecoder decoder;
    const LCDFrame first = Pattern();
    for (const Report& report : Transfer(first)) {
        decoder.Feed(report);
    }
    LCDFrame second{};
    second[500] = 0xFF;
    std::vector<Report> transfer = Transfer(second);
    transfer.back()[3] ^= 0x01;
    FeedAllButTrailer(decoder, transfer);
    EXPECT_EQ(decoder.Feed(transfer.back()), std::vector<Decoded>{{FrameKind::DisplayBadCrc}});
    EXPECT_EQ(decoder.State().lcd, first);
    EXPECT_EQ(decoder.State().transfersShown, 1u);
    EXPECT_EQ(decoder.State().transfersRejected, 1u);
}

TEST(OutputDecoderTest, AFrameWhereTheTrailerWasDueBreaksTheTransferOffAndCountsItself) {
    OutputDecoder decoder;
    std::vector<Report> cut = Transfer(Pattern());
    cut.pop_back();  // header and 64 data frames, no trailer
    for (const Report& report : cut) {
        decoder.Feed(report);
    }
    EXPECT_EQ(decoder.Feed(Control(3, 2)),
              (std::vector<Decoded>{{FrameKind::DisplayBroken}, {FrameKind::Control, 3, 2}}));
    EXPECT_EQ(decoder.State().ringer, 2);
    EXPECT_EQ(decoder.State().lcd, LCDFrame{});
    EXPECT_EQ(decoder.State().transfersRejected, 1u);
}

TEST(OutputDecoderTest, AHeaderWhereTheTrailerWasDueStartsTheNextTransfer) {
    OutputDecoder decoder;
    std::vector<Report> cut = Transfer(LCDFrame{});
    cut.pop_back();
    for (const Report& report : cut) {
        decoder.Feed(report);
    }
    const LCDFrame lcd = Pattern();
    const std::vector<Report> next = Transfer(lcd);
    EXPECT_EQ(decoder.Feed(next[0]),
              (std::vector<Decoded>{{FrameKind::DisplayBroken}, {FrameKind::DisplayHeader}}));
    for (std::size_t i = 1; i < next.size(); ++i) {
        decoder.Feed(next[i]);
    }
    EXPECT_EQ(decoder.State().lcd, lcd);
    EXPECT_EQ(decoder.State().transfersShown, 1u);
}

std::vector<std::uint8_t> Bytes(const Report& report) {
    return {report.begin(), report.end()};
}

TEST(OutputDecoderTest, MalformedReportsChangeNothing) {
    Report otherReportId = Control(2, 1);
    otherReportId[0] = 1;
    Report noMarker = Control(2, 1);
    noMarker[1] = 0x00;
    Report paddedControl = Control(2, 1);
    paddedControl[16] = 1;
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> malformed = {
        {"16 bytes", std::vector<std::uint8_t>(16, 0)},
        {"18 bytes", std::vector<std::uint8_t>(18, 0)},
        {"empty", {}},
        {"report id 1", Bytes(otherReportId)},
        {"no marker", Bytes(noMarker)},
        {"unknown command 11", Bytes(Control(11, 1))},
        {"trailer without transfer", Bytes(Control(9, 0))},
        {"header with wrong bytes", Bytes(Control(6, 0))},
        {"control with padding", Bytes(paddedControl)},
    };
    for (const auto& [what, report] : malformed) {
        OutputDecoder decoder;
        EXPECT_EQ(decoder.Feed(report), std::vector<Decoded>{{FrameKind::Malformed}}) << what;
        EXPECT_FALSE(decoder.State().displayLight.has_value()) << what;
        // Nothing has started a transfer: the next control frame is one.
        EXPECT_EQ(decoder.Feed(Control(2, 0)), (std::vector<Decoded>{{FrameKind::Control, 2, 0}}))
            << what;
    }
}

TEST(OutputDecoderTest, ResetForgetsStateAndTheTransferInProgress) {
    OutputDecoder decoder;
    for (const Report& report : Transfer(Pattern())) {
        decoder.Feed(report);
    }
    decoder.Feed(Control(5, 30));
    decoder.Feed(Transfer(LCDFrame{})[0]);
    decoder.Reset();
    EXPECT_EQ(decoder.State().lcd, LCDFrame{});
    EXPECT_FALSE(decoder.State().contrast.has_value());
    EXPECT_EQ(decoder.State().transfersShown, 0u);
    EXPECT_EQ(decoder.Feed(Control(2, 1)), (std::vector<Decoded>{{FrameKind::Control, 2, 1}}));
}

}  // namespace
}  // namespace handset_sim
