// The status words of the bridge's calls.
#include "bridge/baresip/BridgeCall.h"

#include <array>
#include <utility>

namespace baresip {
namespace {

constexpr std::array<std::pair<CallStatus, std::string_view>, 9> kWords{{
    {CallStatus::kRouting, "ROUTING"},
    {CallStatus::kRinging, "RINGING"},
    {CallStatus::kInProgress, "INPROGRESS"},
    {CallStatus::kLocalHold, "LOCALHOLD"},
    {CallStatus::kFinished, "FINISHED"},
    {CallStatus::kMissed, "MISSED"},
    {CallStatus::kRefused, "REFUSED"},
    {CallStatus::kCancelled, "CANCELLED"},
    {CallStatus::kFailed, "FAILED"},
}};

}  // namespace

std::string_view ToString(CallStatus status) {
    for (const auto& [value, word] : kWords) {
        if (value == status) {
            return word;
        }
    }
    return "FAILED";
}

std::optional<CallStatus> StatusFromWord(std::string_view word) {
    for (const auto& [value, text] : kWords) {
        if (text == word) {
            return value;
        }
    }
    return std::nullopt;
}

bool IsLive(CallStatus status) {
    return status == CallStatus::kRouting || status == CallStatus::kRinging ||
           status == CallStatus::kInProgress || status == CallStatus::kLocalHold;
}

}  // namespace baresip
