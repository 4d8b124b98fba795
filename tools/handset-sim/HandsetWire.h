// The handset's wire format as its firmware knows it: report sizes, the frame marker, command
// codes, input report types, the USB ids, and the screen a display transfer fills. Kept apart
// from the system's own encoder on purpose: when the two disagree, the simulator says so.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace handset_sim {

inline constexpr std::uint16_t kVendorId = 0x1908;
inline constexpr std::uint16_t kDefaultProductId = 5001;

// Both kinds of report start with the report id 0.
inline constexpr std::size_t kInputReportSize = 9;    // handset to host
inline constexpr std::size_t kOutputReportSize = 17;  // host to handset: the id, then a frame
inline constexpr std::size_t kFrameSize = 16;
inline constexpr std::uint8_t kFrameMarker = 0xBD;  // first byte of control frames
inline constexpr std::size_t kDisplayDataFrames = 64;

// Byte 1 of a frame (after the marker).
enum OutputCommand : std::uint8_t {
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

// Byte 2 of an input report.
enum InputType : std::uint8_t {
    kKeyInput = 1,       // byte 3 the scan code
    kFirmwareInput = 4,  // bytes 3..7 the version's five characters
};

using InputReport = std::array<std::uint8_t, kInputReportSize>;

// The LCD, 128 x 64: 8 pages of 128 bytes, pixel (x, y) at bit y % 8 of byte x + 128 * (y / 8),
// 1 dark. A display transfer's data frames fill it in order, 16 bytes each.
inline constexpr std::size_t kScreenWidth = 128;
inline constexpr std::size_t kScreenHeight = 64;
using Screen = std::array<std::uint8_t, kScreenWidth * kScreenHeight / 8>;
static_assert(sizeof(Screen) == kDisplayDataFrames * kFrameSize);

inline bool IsDark(const Screen& screen, std::size_t x, std::size_t y) {
    return (screen[x + kScreenWidth * (y / 8)] >> (y % 8) & 1) != 0;
}

}  // namespace handset_sim
