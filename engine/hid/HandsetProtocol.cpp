// The handset's wire format: checksum, control frames, display transfer, input report packing.
#include "engine/hid/HandsetProtocol.h"

#include <algorithm>

namespace handset {
namespace {

constexpr std::uint16_t kCrcInitial = 0xFFFF;
constexpr std::uint16_t kCrcPolynomial = 0x1021;
// The header announces a transfer of 0x03FF + 1 = 1024 display bytes.
constexpr Frame kHeaderFrame{kFrameMarker, kDisplayHeader, 0x00, 0x00, 0xFF, 0x03};

static_assert(kDisplayFrames == sizeof(LCDFrame) / kFrameSize + 2);

}  // namespace

std::uint16_t ComputeCRC(std::span<const std::uint8_t> data) {
    std::uint16_t crc = kCrcInitial;
    for (std::uint8_t byte : data) {
        for (unsigned mask = 0x01; mask <= 0x80; mask <<= 1) {
            const bool feedback = ((crc & 0x8000) != 0) != ((byte & mask) != 0);
            crc = static_cast<std::uint16_t>(crc << 1);
            if (feedback) {
                crc ^= kCrcPolynomial;
            }
        }
    }
    return crc;
}

Frame ControlFrame(std::uint8_t command, std::uint8_t value) {
    return Frame{kFrameMarker, command, value};
}

OutputReport ToOutputReport(const Frame& frame) {
    OutputReport report{};
    std::copy(frame.begin(), frame.end(), report.begin() + 1);
    return report;
}

std::array<Frame, kDisplayFrames> DisplayTransfer(const LCDFrame& lcd) {
    std::array<Frame, kDisplayFrames> frames{};
    frames.front() = kHeaderFrame;
    for (std::size_t k = 0; k < lcd.size() / kFrameSize; ++k) {
        std::copy_n(lcd.begin() + k * kFrameSize, kFrameSize, frames[k + 1].begin());
    }
    const std::uint16_t crc = ComputeCRC(lcd);
    frames.back() = Frame{kFrameMarker, kDisplayTrailer, static_cast<std::uint8_t>(crc & 0xFF),
                          static_cast<std::uint8_t>(crc >> 8)};
    return frames;
}

PackedReport PackInputReport(std::span<const std::uint8_t> report) {
    const auto byteAt = [report](std::size_t i) -> std::uint32_t {
        return i < report.size() ? report[i] : 0;
    };
    const auto pack = [&byteAt](std::size_t first) {
        return byteAt(first) << 24 | byteAt(first + 1) << 16 | byteAt(first + 2) << 8 |
               byteAt(first + 3);
    };
    return PackedReport{pack(1), pack(5)};
}

}  // namespace handset
