// The handset's reading of output reports: a small state machine over header, data and trailer.
#include "tools/handset-sim/OutputDecoder.h"

#include <algorithm>
#include <array>

#include "engine/hid/HandsetProtocol.h"

namespace handset_sim {
namespace {

constexpr std::size_t kDataFrames = 64;
constexpr std::array<std::uint8_t, handset::kFrameSize> kHeader = {
    handset::kFrameMarker, handset::kDisplayHeader, 0x00, 0x00, 0xFF, 0x03};

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
        case handset::kKeySound:
            return "key sound";
        case handset::kDisplayLight:
            return "display light";
        case handset::kRinger:
            return "ringer";
        case handset::kMicMute:
            return "mute";
        case handset::kContrast:
            return "contrast";
        case handset::kDisplayHeader:
            return "display header";
        case handset::kSoundOutput:
            return "sound output";
        case handset::kStartupNotice:
            return "start-up notice";
        case handset::kDisplayTrailer:
            return "display trailer";
        case handset::kClosing:
            return "closing";
        case handset::kKeypadBacklight:
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
    if (report.size() != handset::kOutputReportSize || report[0] != 0) {
        return {Decoded{FrameKind::Malformed}};
    }
    const std::span<const std::uint8_t> frame = report.subspan(1);
    if (!dataFrames_) {
        return {DecodeOutsideTransfer(frame)};
    }
    if (*dataFrames_ < kDataFrames) {
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
    if (frame[0] != handset::kFrameMarker) {
        return {FrameKind::Malformed};
    }
    if (frame[1] == handset::kDisplayHeader) {
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
    if (frame[0] != handset::kFrameMarker || frame[1] != handset::kDisplayTrailer ||
        !ZeroFrom(frame, 4)) {
        ++state_.transfersRejected;
        return {FrameKind::DisplayBroken};
    }
    const std::uint16_t crc = handset::ComputeCRC(incoming_);
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
        case handset::kKeySound:
            state_.keySound = value;
            break;
        case handset::kDisplayLight:
            state_.displayLight = value;
            break;
        case handset::kRinger:
            state_.ringer = value;
            break;
        case handset::kMicMute:
            state_.micMute = value;
            break;
        case handset::kContrast:
            state_.contrast = value;
            break;
        case handset::kSoundOutput:
            state_.soundOutput = value;
            break;
        case handset::kStartupNotice:
            ++state_.startupNotices;
            break;
        case handset::kClosing:
            ++state_.closings;
            break;
        case handset::kKeypadBacklight:
            state_.keypadBacklight = value;
            break;
        default:  // a trailer without a transfer, or a code the handset does not know
            return {FrameKind::Malformed};
    }
    return {FrameKind::Control, command, value};
}

}  // namespace handset_sim
