// The handset's reading of output reports: a small state machine over header, data and trailer.
#include "tools/handset-sim/OutputDecoder.h"

#include <algorithm>
#include <array>

#include "tools/handset-sim/DisplayChecksum.h"

namespace handset_sim {
namespace {

// Fixed to the byte; ten zeros follow.
constexpr std::array<std::uint8_t, kFrameSize> kHeader = {
    kFrameMarker, kDisplayHeader, 0x00, 0x00, 0xFF, 0x03,  //
};

bool ZeroFrom(std::span<const std::uint8_t> frame, std::size_t first) {
    return std::all_of(frame.begin() + static_cast<std::ptrdiff_t>(first), frame.end(),
                       [](std::uint8_t b) { return b == 0; });
}

bool IsHeader(std::span<const std::uint8_t> frame) {
    return std::equal(frame.begin(), frame.end(), kHeader.begin());
}

}  // namespace

std::string_view ToString(FrameKind kind) {
    switch (kind) {
        case FrameKind::Control:
            return "control";
        case FrameKind::DisplayHeader:
            return "display header";
        case FrameKind::DisplayData:
            return "display data";
        case FrameKind::DisplayShown:
            return "display shown";
        case FrameKind::DisplayBadCrc:
            return "display bad checksum";
        case FrameKind::DisplayBroken:
            return "display broken off";
        case FrameKind::Malformed:
            return "malformed";
    }
    return "?";
}

std::string_view CommandName(std::uint8_t command) {
    switch (command) {
        case kKeySound:
            return "key sound";
        case kDisplayLight:
            return "display light";
        case kRinger:
            return "ringer";
        case kMicMute:
            return "mute";
        case kContrast:
            return "contrast";
        case kDisplayHeader:
            return "display header";
        case kSoundOutput:
            return "sound output";
        case kStartupNotice:
            return "start-up notice";
        case kDisplayTrailer:
            return "display trailer";
        case kClosing:
            return "closing";
        case kKeypadBacklight:
            return "keypad backlight";
        default:
            return "unknown";
    }
}

void OutputDecoder::Reset() {
    state_ = HandsetState{};
    dataFrames_.reset();
}

std::vector<Decoded> OutputDecoder::Feed(std::span<const std::uint8_t> report) {
    if (report.size() != kOutputReportSize || report[0] != 0) {
        return {Decoded{FrameKind::Malformed}};
    }
    const std::span<const std::uint8_t> frame = report.subspan(1);
    if (!dataFrames_) {
        return {DecodeOutsideTransfer(frame)};
    }
    if (*dataFrames_ < kDisplayDataFrames) {
        // Data frames carry no marker: whatever comes is display data.
        std::copy(frame.begin(), frame.end(),
                  incoming_.begin() + static_cast<std::ptrdiff_t>(*dataFrames_ * frame.size()));
        ++*dataFrames_;
        return {Decoded{FrameKind::DisplayData}};
    }
    dataFrames_.reset();
    const Decoded trailer = DecodeTrailer(frame);
    if (trailer.kind != FrameKind::DisplayBroken) {
        return {trailer};
    }
    return {trailer, DecodeOutsideTransfer(frame)};
}

Decoded OutputDecoder::DecodeOutsideTransfer(std::span<const std::uint8_t> frame) {
    if (frame[0] != kFrameMarker) {
        return {FrameKind::Malformed};
    }
    if (frame[1] == kDisplayHeader) {
        if (!IsHeader(frame)) {
            return {FrameKind::Malformed};
        }
        dataFrames_ = 0;
        return {FrameKind::DisplayHeader};
    }
    if (!ZeroFrom(frame, 3)) {
        return {FrameKind::Malformed};
    }
    return ApplyControl(frame[1], frame[2]);
}

Decoded OutputDecoder::DecodeTrailer(std::span<const std::uint8_t> frame) {
    if (frame[0] != kFrameMarker || frame[1] != kDisplayTrailer || !ZeroFrom(frame, 4)) {
        ++state_.transfersRejected;
        return {FrameKind::DisplayBroken};
    }
    const std::uint16_t crc = DisplayChecksum(incoming_);
    if (frame[2] != (crc & 0xFF) || frame[3] != (crc >> 8)) {
        ++state_.transfersRejected;
        return {FrameKind::DisplayBadCrc};
    }
    state_.lcd = incoming_;
    ++state_.transfersShown;
    return {FrameKind::DisplayShown};
}

Decoded OutputDecoder::ApplyControl(std::uint8_t command, std::uint8_t value) {
    switch (command) {
        case kKeySound:
            state_.keySound = value;
            break;
        case kDisplayLight:
            state_.displayLight = value;
            break;
        case kRinger:
            state_.ringer = value;
            break;
        case kMicMute:
            state_.micMute = value;
            break;
        case kContrast:
            state_.contrast = value;
            break;
        case kSoundOutput:
            state_.soundOutput = value;
            break;
        case kStartupNotice:
            ++state_.startupNotices;
            break;
        case kClosing:
            ++state_.closings;
            break;
        case kKeypadBacklight:
            state_.keypadBacklight = value;
            break;
        default:  // a trailer without a transfer, or a code the handset does not know
            return {FrameKind::Malformed};
    }
    return {FrameKind::Control, command, value};
}

}  // namespace handset_sim
