// The handset's reading of output reports: control frames and display transfers, checked byte
// for byte, and the state they leave the handset in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "tools/handset-sim/HandsetWire.h"

namespace handset_sim {

enum class FrameKind {
    Control,        // a control frame: command and value
    DisplayHeader,  // a display transfer begins
    DisplayData,    // one of its 64 data frames
    DisplayShown,   // its trailer with the right checksum: the image is on the LCD
    DisplayBadCrc,  // its trailer with a wrong checksum: the image is dropped
    DisplayBroken,  // the frame after the 64 data frames is no trailer: the transfer is dropped
    // Not a 17-byte report with id 0, or a frame without the marker, with an unknown command, a
    // header or trailer outside its place, or padding that is not zero.
    Malformed,
};
std::string_view ToString(FrameKind kind);
// "display light", "ringer", ... for a control command; "unknown" for other codes.
std::string_view CommandName(std::uint8_t command);

struct Decoded {
    Decoded() = default;
    Decoded(FrameKind k, std::uint8_t c = 0, std::uint8_t v = 0) : kind(k), command(c), value(v) {}
    FrameKind kind = FrameKind::Malformed;
    std::uint8_t command = 0;  // Control only
    std::uint8_t value = 0;    // Control only
    bool operator==(const Decoded&) const = default;
};

// What the host has told the handset since it was plugged in; unset values were never sent.
struct HandsetState {
    Screen lcd{};  // the last image shown, blank before the first
    std::optional<std::uint8_t> keySound;
    std::optional<std::uint8_t> displayLight;
    std::optional<std::uint8_t> ringer;  // 0 silent, 1..8 the melody ringing
    std::optional<std::uint8_t> micMute;
    std::optional<std::uint8_t> contrast;
    std::optional<std::uint8_t> soundOutput;  // 0 handset, 1 hands-free
    std::optional<std::uint8_t> keypadBacklight;
    unsigned startupNotices = 0;
    unsigned closings = 0;
    unsigned transfersShown = 0;
    unsigned transfersRejected = 0;  // bad checksum or broken off
};

class OutputDecoder {
  public:
    // Decodes one output report. A report arriving where a trailer was due is reported twice:
    // as DisplayBroken, then as what it is itself (a new header, say).
    std::vector<Decoded> Feed(std::span<const std::uint8_t> report);
    const HandsetState& State() const { return state_; }
    // Back to a handset just plugged in.
    void Reset();

  private:
    Decoded DecodeOutsideTransfer(std::span<const std::uint8_t> frame);
    Decoded DecodeTrailer(std::span<const std::uint8_t> frame);
    Decoded ApplyControl(std::uint8_t command, std::uint8_t value);

    HandsetState state_;
    // Data frames received of the transfer in progress; nothing outside a transfer.
    std::optional<std::size_t> dataFrames_;
    Screen incoming_{};
};

}  // namespace handset_sim
