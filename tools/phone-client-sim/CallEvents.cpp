// The table of call events.
#include "tools/phone-client-sim/CallEvents.h"

#include <algorithm>
#include <utility>

namespace phone_client_sim {
namespace {

using Shape = CallEventShape;

CallResult History(CallModel& model, const CallEvent& e) {
    constexpr std::pair<std::string_view, HistoryKind> kKinds[] = {
        {"in", HistoryKind::kIncoming},
        {"out", HistoryKind::kOutgoing},
        {"missed", HistoryKind::kMissed},
    };
    for (const auto& [word, kind] : kKinds) {
        if (e.kind == word) {
            return model.AddHistory(e.id, kind, e.handle, e.timestamp, e.name);
        }
    }
    std::string why = "\"";
    why.append(e.kind).append("\" is not a kind of call of the history: in, out or missed");
    return {CallResult::Kind::kImpossible, why};
}

const CallEventVerb kVerbs[] = {
    {"call-in", Shape::kIdHandleName, "an incoming P2P call from HANDLE rings",
     [](CallModel& m, const CallEvent& e) {
         return m.IncomingCall(e.id, e.handle, e.name, false);
     }},
    {"call-in-pstn", Shape::kIdHandleName, "the same from the telephone number HANDLE",
     [](CallModel& m, const CallEvent& e) { return m.IncomingCall(e.id, e.handle, e.name, true); }},
    {"call-out", Shape::kIdHandleName, "the PC calls HANDLE: it routes, then rings",
     [](CallModel& m, const CallEvent& e) { return CallOut(m, e, false); }},
    {"call-out-pstn", Shape::kIdHandleName, "the same to the telephone number HANDLE",
     [](CallModel& m, const CallEvent& e) { return CallOut(m, e, true); }},
    {"remote-answer", Shape::kId, "the far end answers an outgoing call",
     [](CallModel& m, const CallEvent& e) { return m.RemoteAnswer(e.id); }},
    {"remote-hold", Shape::kId, "the far end holds the call",
     [](CallModel& m, const CallEvent& e) { return m.RemoteHold(e.id); }},
    {"remote-resume", Shape::kId, "the far end resumes the call it held",
     [](CallModel& m, const CallEvent& e) { return m.RemoteResume(e.id); }},
    {"remote-hangup", Shape::kId, "the far end hangs up (unanswered: missed)",
     [](CallModel& m, const CallEvent& e) { return m.RemoteHangup(e.id); }},
    {"remote-refuse", Shape::kId, "the far end refuses an outgoing call",
     [](CallModel& m, const CallEvent& e) { return m.RemoteRefuse(e.id); }},
    {"remote-busy", Shape::kId, "the far end is busy for an outgoing call",
     [](CallModel& m, const CallEvent& e) { return m.RemoteBusy(e.id); }},
    {"remote-fail", Shape::kIdReason, "the call fails with failure reason REASON",
     [](CallModel& m, const CallEvent& e) { return m.RemoteFail(e.id, e.reason); }},
    {"vm-buffering", Shape::kId, "voice mail buffers its greeting",
     [](CallModel& m, const CallEvent& e) {
         return m.VoiceMail(e.id, CallStatus::kVmBufferingGreeting);
     }},
    {"vm-greeting", Shape::kId, "voice mail plays its greeting",
     [](CallModel& m, const CallEvent& e) {
         return m.VoiceMail(e.id, CallStatus::kVmPlayingGreeting);
     }},
    {"vm-recording", Shape::kId, "voice mail records the message",
     [](CallModel& m, const CallEvent& e) { return m.VoiceMail(e.id, CallStatus::kVmRecording); }},
    {"vm-sent", Shape::kId, "the voice message is sent: the call ends",
     [](CallModel& m, const CallEvent& e) { return m.VoiceMail(e.id, CallStatus::kVmSent); }},
    {"history", Shape::kIdKindHandleTimestampName, "a finished call: KIND in, out or missed",
     History},
};

}  // namespace

std::span<const CallEventVerb> CallEventVerbs() {
    return kVerbs;
}

const CallEventVerb* FindCallEventVerb(std::string_view name) {
    const auto found = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                    [name](const CallEventVerb& v) { return v.name == name; });
    return found == std::end(kVerbs) ? nullptr : &*found;
}

std::string_view Usage(CallEventShape shape) {
    switch (shape) {
        case Shape::kIdHandleName:
            return "ID HANDLE [NAME...]";
        case Shape::kId:
            return "ID";
        case Shape::kIdReason:
            return "ID REASON";
        case Shape::kIdKindHandleTimestampName:
            return "ID KIND HANDLE TIMESTAMP [NAME...]";
    }
    return "";
}

CallResult CallOut(CallModel& model, const CallEvent& event, bool pstn) {
    const CallResult started = model.OutgoingCall(event.id, event.handle, event.name, pstn);
    return started.Ok() ? model.RemoteRing(event.id) : started;
}

}  // namespace phone_client_sim
