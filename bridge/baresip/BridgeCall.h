// One call as the bridge tells the system about it: the numeric id the system knows it by, the
// baresip call it stands for, and the properties the system asks for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace baresip {

// The system's call id: a decimal number above 0, never given to another call, not even across
// restarts of the bridge (the history keeps the ones given).
using CallId = std::uint32_t;

enum class CallStatus {
    // Live.
    kRouting,
    kRinging,
    kInProgress,
    kLocalHold,
    // Ended.
    kFinished,
    kMissed,
    kRefused,
    kCancelled,
    kFailed,
};

// "ROUTING", "INPROGRESS", "MISSED" ...
std::string_view ToString(CallStatus status);
std::optional<CallStatus> StatusFromWord(std::string_view word);
bool IsLive(CallStatus status);

struct BridgeCall {
    CallId id = 0;
    // Empty for a call dialled from the handset until baresip's first event about it, and for
    // the calls of the history.
    std::string baresipId;
    bool outgoing = false;
    std::string handle;       // one word, dialled again to call back
    std::string displayName;  // may be empty
    CallStatus status = CallStatus::kRinging;
    std::int64_t timestamp = 0;   // when it started, in seconds since 1970 UTC
    std::int64_t answeredAt = 0;  // when it was established; 0 never
    std::uint32_t duration = 0;   // seconds it was established, once ended
    std::uint32_t failureReason = 0;
    bool seen = true;          // false for a missed call until the system marks it seen
    bool hangUpAsked = false;  // the system hung it up: its end is ours, not the far end's
    bool hangUpSent = false;   // ... and baresip was told
    bool muted = false;        // its microphone is muted in baresip

    // "INCOMING_P2P" or "OUTGOING_P2P": SIP calls are the softphone's own, never PSTN ones.
    std::string_view TypeWord() const { return outgoing ? "OUTGOING_P2P" : "INCOMING_P2P"; }
};

}  // namespace baresip
