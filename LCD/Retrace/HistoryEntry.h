// One call of the history as the Retrace mode keeps it: what the softphone said about it.
#pragma once

#include <string>

#include "platform/time/LocalTime.h"

// The status word of a call, as the history knows it.
enum CallStatus : int {
    CALL_NONE = -1,  // no status reported, or a word outside the table
    CALL_INPROGRESS = 0,
    CALL_FINISHED = 1,
    CALL_MISSED = 2,
    CALL_REFUSED = 3,
    CALL_FAILED = 4,
    CALL_CANCELLED = 5,
    CALL_BUSY = 6,
};

// " " until the softphone reported the value: the handle and the name keep the blank that
// separates them from the property in the reply.
inline const std::wstring kNotReported = L" ";

struct HistoryEntry {
    std::wstring id;
    int direction = 1;  // 0 incoming; anything else outgoing
    std::wstring partnerHandle = kNotReported;
    std::wstring displayName = kNotReported;
    // The entry's creation, replaced by the call's own time when it is reported.
    platform::SYSTEMTIME time{};
    int seen = 0;
    int status = CALL_NONE;

    bool IsMissedIncoming() const { return direction == 0 && status == CALL_MISSED; }
};
