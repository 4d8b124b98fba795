// The handset's wire format: control frames, the display transfer and its checksum, and the
// packing of input reports into a message's wParam and lParam.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/LcdFrame.h"

namespace handset {

inline constexpr std::size_t kFrameSize = 16;
inline constexpr std::size_t kOutputReportSize = 17;  // report id 0, then one frame
inline constexpr std::size_t kInputReportSize = 9;    // report id, then eight bytes
inline constexpr std::size_t kDisplayFrames = 66;     // header, 64 data frames, trailer
inline constexpr std::uint8_t kFrameMarker = 0xBD;
inline constexpr std::uint16_t kVendorId = 0x1908;
inline constexpr std::uint16_t kDefaultProductId = 5001;

enum Command : std::uint8_t {
    kKeySound = 1,
    kDisplayLight = 2,
    kRinger = 3,
    kMicMute = 4,
    kContrast = 5,
    kDisplayHeader = 6,
    kSoundOutput = 7,
    kStartupNotice = 8,
    kDisplayTrailer = 9,
    kClosing = 10,
    kKeypadBacklight = 12,
};

enum ReportType : std::uint8_t {
    kKeyReport = 1,
    kFirmwareReport = 4,
};

using Frame = std::array<std::uint8_t, kFrameSize>;

// CRC-16, register 0xFFFF, polynomial 0x1021, bits of each byte least significant first, no
// final XOR. An empty input gives 0xFFFF.
std::uint16_t ComputeCRC(std::span<const std::uint8_t> data);

using OutputReport = std::array<std::uint8_t, kOutputReportSize>;

Frame ControlFrame(std::uint8_t command, std::uint8_t value);
// The output report that carries `frame`: report id 0, then the frame.
OutputReport ToOutputReport(const Frame& frame);
// The 66 frames of a display transfer of `lcd`, in the order they are written.
std::array<Frame, kDisplayFrames> DisplayTransfer(const LCDFrame& lcd);

// Report bytes 1..4 packed into wParam (byte 1 on top) and bytes 5..8 into lParam; missing
// bytes of a short report count as 0.
struct PackedReport {
    std::uint32_t wParam = 0;
    std::uint32_t lParam = 0;
};
PackedReport PackInputReport(std::span<const std::uint8_t> report);
inline std::uint8_t ReportTypeOf(std::uint32_t wParam) {
    return (wParam >> 16) & 0xFF;
}
inline std::uint8_t ScanCodeOf(std::uint32_t wParam) {
    return (wParam >> 8) & 0xFF;
}

}  // namespace handset
