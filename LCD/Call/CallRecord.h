// One live call or one conference participant, as the Call mode keeps it.
#pragma once

#include <optional>
#include <string>

#include "platform/loop/Clock.h"

enum CallType : int {
    CT_INCOMING_PSTN = 0,
    CT_OUTGOING_PSTN = 1,
    CT_INCOMING_P2P = 2,
    CT_OUTGOING_P2P = 3,
};

enum CallState : int {
    CS_ROUTING = 0,
    CS_RINGING = 1,
    CS_NORMALTALK = 2,
    CS_ONHOLD = 3,
    CS_LOCALHOLD = 4,
    CS_REMOTEHOLD = 5,
    CS_FINISH = 6,
    CS_VOICEMSG = 7,
};

struct CallRecord {
    std::wstring CallID;  // empty for a conference participant
    std::wstring Handle;
    std::wstring DisplayName;  // the handle when the softphone gives an empty name
    // On the message loop's clock: when the call was answered; nothing until then.
    std::optional<platform::TimePoint> StartTime;
    long Duration = 0;  // seconds, from the last DURATION notification
    int CallType = CT_INCOMING_P2P;
    int CallState = CS_ROUTING;
    // A call: the text of its CONF_ID. A participant: the CallID of the call hosting it.
    std::wstring ConfID;

    bool IsParticipant() const { return CallID.empty(); }
    bool IsOutgoing() const { return CallType == CT_OUTGOING_PSTN || CallType == CT_OUTGOING_P2P; }
};
