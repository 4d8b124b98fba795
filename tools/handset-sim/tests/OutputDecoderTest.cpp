// The simulated handset's reading of output reports, fed reports written out byte for byte:
// controls, display transfers, checksums and bad frames.
#include "tools/handset-sim/OutputDecoder.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace handset_sim {
namespace {

using Report = std::array<std::uint8_t, 17>;
using Reports = std::vector<Report>;

const Report kHeader = {0x00, 0xBD, 0x06, 0x00, 0x00, 0xFF, 0x03};
const Report kZeros{};
const Report kBlankTrailer = {0x00, 0xBD, 0x09, 0x6F, 0xB7};
// Data frame 1 of a transfer: it starts like a display-light control frame, and is display
// data all the same.
const Report kDataFrame = {0x00, 0xBD, 0x02, 0x01, 0x00, 0x11, 0x22, 0x33, 0x44,
                           0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC};
// The checksum of a screen of zeros but kDataFrame's bytes at 16..31.
const Report kDataFrameTrailer = {0x00, 0xBD, 0x09, 0xA1, 0xEF};

Report Control(std::uint8_t command, std::uint8_t value) {
    return {0x00, 0xBD, command, value};
}

// Header, 64 data frames (frame 1 `frame1`, the others zeros) and `trailer`.
Reports Transfer(const Report& frame1, const Report& trailer) {
    Reports reports = {kHeader};
    for (int k = 0; k < 64; ++k) {
        reports.push_back(k == 1 ? frame1 : kZeros);
    }
    reports.push_back(trailer);
    return reports;
}

// Feeds every report but the last and checks that each was taken as part of the transfer.
void FeedAllButTrailer(OutputDecoder& decoder, const Reports& transfer) {
    ASSERT_EQ(decoder.Feed(transfer[0]), std::vector<Decoded>{{FrameKind::DisplayHeader}});
    for (std::size_t i = 1; i + 1 < transfer.size(); ++i) {
        ASSERT_EQ(decoder.Feed(transfer[i]), std::vector<Decoded>{{FrameKind::DisplayData}}) << i;
    }
}

void FeedAll(OutputDecoder& decoder, const Reports& reports) {
    for (const Report& report : reports) {
        decoder.Feed(report);
    }
}

Screen DataFrameScreen() {
    Screen screen{};
    std::copy(kDataFrame.begin() + 1, kDataFrame.end(), screen.begin() + 16);
    return screen;
}

TEST(OutputDecoderTest, ControlFramesSetTheHandsetsState) {
    OutputDecoder decoder;
    const Report contrast20 = {0x00, 0xBD, 0x05, 0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(decoder.Feed(contrast20), (std::vector<Decoded>{{FrameKind::Control, 5, 20}}));
    FeedAll(decoder, {Control(1, 1), Control(2, 1), Control(3, 4), Control(4, 1), Control(7, 1),
                      Control(12, 0), Control(8, 0), Control(8, 0), Control(10, 0)});
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

TEST(OutputDecoderTest, ATransferWithItsKnownChecksumIsShownAsSent) {
    Screen dark;
    dark.fill(0xFF);
    Report darkFrame;
    darkFrame.fill(0xFF);
    darkFrame[0] = 0x00;
    Reports darkTransfer = {kHeader};
    darkTransfer.insert(darkTransfer.end(), 64, darkFrame);
    darkTransfer.push_back({0x00, 0xBD, 0x09, 0xEB, 0x77});
    const struct {
        const char* what;
        Reports transfer;
        Screen shown;
    } cases[] = {
        {"blank", Transfer(kZeros, kBlankTrailer), Screen{}},
        {"dark", darkTransfer, dark},
        {"one data frame", Transfer(kDataFrame, kDataFrameTrailer), DataFrameScreen()},
    };
    for (const auto& c : cases) {
        OutputDecoder decoder;
        decoder.Feed(Control(3, 2));
        FeedAllButTrailer(decoder, c.transfer);
        EXPECT_EQ(decoder.Feed(c.transfer.back()), std::vector<Decoded>{{FrameKind::DisplayShown}})
            << c.what;
        EXPECT_EQ(decoder.State().lcd, c.shown) << c.what;
        EXPECT_EQ(decoder.State().transfersShown, 1u) << c.what;
        // Data frames never act as commands, whatever their first bytes.
        EXPECT_FALSE(decoder.State().displayLight.has_value()) << c.what;
        EXPECT_EQ(decoder.State().ringer, 2) << c.what;
    }
}

// An encoder that got the checksum or the frame order wrong shows nothing.
TEST(OutputDecoderTest, AWrongChecksumByteKeepsTheImageShownBefore) {
    Report lowWrong = kDataFrameTrailer;
    lowWrong[3] ^= 0x01;
    Report highWrong = kDataFrameTrailer;
    highWrong[4] ^= 0x80;
    Report swapped = kDataFrameTrailer;
    std::swap(swapped[3], swapped[4]);
    Reports frameOutOfPlace = Transfer(kZeros, kDataFrameTrailer);
    frameOutOfPlace[1] = kDataFrame;  // as data frame 0
    const struct {
        const char* what;
        Reports transfer;
    } cases[] = {
        {"low byte", Transfer(kDataFrame, lowWrong)},
        {"high byte", Transfer(kDataFrame, highWrong)},
        {"high byte first", Transfer(kDataFrame, swapped)},
        {"data frame out of place", frameOutOfPlace},
    };
    for (const auto& c : cases) {
        OutputDecoder decoder;
        FeedAll(decoder, Transfer(kDataFrame, kDataFrameTrailer));
        FeedAllButTrailer(decoder, c.transfer);
        EXPECT_EQ(decoder.Feed(c.transfer.back()), std::vector<Decoded>{{FrameKind::DisplayBadCrc}})
            << c.what;
        EXPECT_EQ(decoder.State().lcd, DataFrameScreen()) << c.what;
        EXPECT_EQ(decoder.State().transfersShown, 1u) << c.what;
        EXPECT_EQ(decoder.State().transfersRejected, 1u) << c.what;
    }
}

TEST(OutputDecoderTest, AFrameWhereTheTrailerWasDueBreaksTheTransferOffAndCountsItself) {
    OutputDecoder decoder;
    Reports cut = Transfer(kDataFrame, kDataFrameTrailer);
    cut.pop_back();
    FeedAll(decoder, cut);
    EXPECT_EQ(decoder.Feed(Control(3, 2)),
              (std::vector<Decoded>{{FrameKind::DisplayBroken}, {FrameKind::Control, 3, 2}}));
    EXPECT_EQ(decoder.State().ringer, 2);
    EXPECT_EQ(decoder.State().lcd, Screen{});
    EXPECT_EQ(decoder.State().transfersRejected, 1u);
}

TEST(OutputDecoderTest, AHeaderWhereTheTrailerWasDueStartsTheNextTransfer) {
    OutputDecoder decoder;
    Reports cut = Transfer(kZeros, kBlankTrailer);
    cut.pop_back();
    FeedAll(decoder, cut);
    const Reports next = Transfer(kDataFrame, kDataFrameTrailer);
    EXPECT_EQ(decoder.Feed(next[0]),
              (std::vector<Decoded>{{FrameKind::DisplayBroken}, {FrameKind::DisplayHeader}}));
    FeedAll(decoder, Reports(next.begin() + 1, next.end()));
    EXPECT_EQ(decoder.State().lcd, DataFrameScreen());
    EXPECT_EQ(decoder.State().transfersShown, 1u);
}

std::vector<std::uint8_t> Bytes(const Report& report) {
    return {report.begin(), report.end()};
}

TEST(OutputDecoderTest, MalformedReportsChangeNothing) {
    Report otherReportId = Control(2, 1);
    otherReportId[0] = 1;
    Report paddedControl = Control(2, 1);
    paddedControl[16] = 1;
    Report paddedHeader = kHeader;
    paddedHeader[16] = 1;
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> malformed = {
        {"16 bytes", std::vector<std::uint8_t>(16, 0)},
        {"18 bytes", std::vector<std::uint8_t>(18, 0)},
        {"empty", {}},
        {"report id 1", Bytes(otherReportId)},
        {"no marker", Bytes({0x00, 0x00, 0x02, 0x01})},
        {"unknown command 11", Bytes(Control(11, 1))},
        {"trailer without transfer", Bytes(kBlankTrailer)},
        {"header with wrong bytes", Bytes(Control(6, 0))},
        {"header with padding", Bytes(paddedHeader)},
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
    FeedAll(decoder, Transfer(kDataFrame, kDataFrameTrailer));
    decoder.Feed(Control(5, 30));
    decoder.Feed(kHeader);
    decoder.Reset();
    EXPECT_EQ(decoder.State().lcd, Screen{});
    EXPECT_FALSE(decoder.State().contrast.has_value());
    EXPECT_EQ(decoder.State().transfersShown, 0u);
    EXPECT_EQ(decoder.Feed(Control(2, 1)), (std::vector<Decoded>{{FrameKind::Control, 2, 1}}));
}

}  // namespace
}  // namespace handset_sim
