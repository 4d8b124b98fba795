// The handset's wire format: checksum values, control and display frames, input report packing.
#include "engine/hid/HandsetProtocol.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace handset {
namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> bytes;
    for (int v : values) {
        bytes.push_back(static_cast<std::uint8_t>(v));
    }
    return bytes;
}

std::vector<std::uint8_t> Filled(std::size_t count, std::uint8_t value) {
    return std::vector<std::uint8_t>(count, value);
}

TEST(ComputeCRCTest, GivesTheHandsetsCheckValues) {
    constexpr std::string_view digits = "123456789";
    const std::vector<std::uint8_t> digitBytes(digits.begin(), digits.end());
    EXPECT_EQ(ComputeCRC(digitBytes), 0x89F6);
    EXPECT_EQ(ComputeCRC(Filled(1024, 0x00)), 0xB76F);
    EXPECT_EQ(ComputeCRC(Filled(1024, 0xFF)), 0x77EB);
}

TEST(ComputeCRCTest, EmptyInputIsTheInitialRegister) {
    EXPECT_EQ(ComputeCRC({}), 0xFFFF);
}

TEST(ControlFrameTest, ContrastTwentyIsTheDocumentedReport) {
    const OutputReport report = ToOutputReport(ControlFrame(kContrast, 20));
    OutputReport expected{};
    expected[1] = 0xBD;
    expected[2] = 0x05;
    expected[3] = 0x14;
    EXPECT_EQ(report, expected);
}

TEST(DisplayTransferTest, BlankDisplayIsHeaderZerosAndTrailer) {
    const LCDFrame blank{};
    const auto frames = DisplayTransfer(blank);
    ASSERT_EQ(frames.size(), 66u);
    EXPECT_EQ(frames.front(), (Frame{0xBD, 0x06, 0x00, 0x00, 0xFF, 0x03}));
    for (std::size_t k = 1; k <= 64; ++k) {
        EXPECT_EQ(frames[k], Frame{}) << "data frame " << k - 1;
    }
    EXPECT_EQ(frames.back(), (Frame{0xBD, 0x09, 0x6F, 0xB7}));
}

TEST(DisplayTransferTest, DataFramesAreTheScreenBytesInOrder) {
    LCDFrame lcd{};
    for (std::size_t i = 0; i < lcd.size(); ++i) {
        lcd[i] = static_cast<std::uint8_t>(i * 7 + i / 16);
    }
    const auto frames = DisplayTransfer(lcd);
    for (std::size_t k = 0; k < 64; ++k) {
        for (std::size_t b = 0; b < kFrameSize; ++b) {
            ASSERT_EQ(frames[k + 1][b], lcd[16 * k + b]) << "frame " << k << " byte " << b;
        }
    }
    const std::uint16_t crc = ComputeCRC(lcd);
    EXPECT_EQ(frames.back()[2], crc & 0xFF);
    EXPECT_EQ(frames.back()[3], crc >> 8);
}

TEST(DisplayTransferTest, DataStartingWithTheMarkerStaysData) {
    LCDFrame lcd{};
    lcd[0] = 0xBD;
    lcd[1] = kDisplayTrailer;
    lcd[16 * 63] = 0xBD;
    const auto frames = DisplayTransfer(lcd);
    EXPECT_EQ(frames[1], (Frame{0xBD, 0x09}));
    EXPECT_EQ(frames[64], (Frame{0xBD}));
    EXPECT_EQ(frames.front()[1], kDisplayHeader);
    EXPECT_EQ(frames.back()[1], kDisplayTrailer);
    EXPECT_EQ(frames.back()[2] | frames.back()[3] << 8, ComputeCRC(lcd));
}

TEST(PackInputReportTest, KeyReportGivesScanCode) {
    const PackedReport packed = PackInputReport(Bytes({0x00, 0x00, 0x01, 0x07, 0, 0, 0, 0, 0}));
    EXPECT_EQ(packed.wParam, 0x10700u);
    EXPECT_EQ(packed.lParam, 0u);
    EXPECT_EQ(ReportTypeOf(packed.wParam), kKeyReport);
    EXPECT_EQ(ScanCodeOf(packed.wParam), 7);
}

TEST(PackInputReportTest, FirmwareReportCarriesFiveCharacters) {
    const PackedReport packed =
        PackInputReport(Bytes({0x00, 0x00, 0x04, 0x31, 0x32, 0x33, 0x34, 0x35, 0x00}));
    EXPECT_EQ(packed.wParam, 0x43132u);
    EXPECT_EQ(ReportTypeOf(packed.wParam), kFirmwareReport);
    EXPECT_EQ(packed.lParam >> 24 & 0xFF, 0x33u);
    EXPECT_EQ(packed.lParam >> 16 & 0xFF, 0x34u);
    EXPECT_EQ(packed.lParam >> 8 & 0xFF, 0x35u);
    EXPECT_EQ(packed.lParam & 0xFF, 0x00u);
}

TEST(PackInputReportTest, ReportIdIsIgnoredAndByteOneGoesOnTop) {
    const PackedReport packed =
        PackInputReport(Bytes({0x7F, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0x07, 0x18}));
    EXPECT_EQ(packed.wParam, 0xA1B2C3D4u);
    EXPECT_EQ(packed.lParam, 0xE5F60718u);
}

TEST(PackInputReportTest, MissingBytesOfShortReportsCountAsZero) {
    EXPECT_EQ(PackInputReport({}).wParam, 0u);
    EXPECT_EQ(PackInputReport({}).lParam, 0u);
    const PackedReport three = PackInputReport(Bytes({0x00, 0x00, 0x01}));
    EXPECT_EQ(three.wParam, 0x10000u);
    EXPECT_EQ(three.lParam, 0u);
    const PackedReport six = PackInputReport(Bytes({0x00, 0x11, 0x22, 0x33, 0x44, 0x55}));
    EXPECT_EQ(six.wParam, 0x11223344u);
    EXPECT_EQ(six.lParam, 0x55000000u);
}

TEST(PackInputReportTest, BytesBeyondTheEighthAreIgnored) {
    std::vector<std::uint8_t> longReport(64, 0xFF);
    for (std::size_t i = 0; i <= 8; ++i) {
        longReport[i] = static_cast<std::uint8_t>(i);
    }
    const PackedReport packed = PackInputReport(longReport);
    EXPECT_EQ(packed.wParam, 0x01020304u);
    EXPECT_EQ(packed.lParam, 0x05060708u);
}

}  // namespace
}  // namespace handset
