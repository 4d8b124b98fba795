// The calls' life cycle and the texts it notifies.
#include "tools/phone-client-sim/CallModel.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

#include "tools/common/CommandLine.h"

namespace phone_client_sim {
namespace {

// In the order of CallStatus.
constexpr std::array<std::string_view, 16> kStatusWords = {
    "ROUTING",
    "RINGING",
    "INPROGRESS",
    "LOCALHOLD",
    "REMOTEHOLD",
    "VM_BUFFERING_GREETING",
    "VM_PLAYING_GREETING",
    "VM_RECORDING",
    "FINISHED",
    "MISSED",
    "REFUSED",
    "BUSY",
    "CANCELLED",
    "FAILED",
    "VM_SENT",
    "VM_CANCELLED",
};
static_assert(kStatusWords.size() == static_cast<std::size_t>(CallStatus::kVmCancelled) + 1);

// An unanswered outgoing call goes along this path into voice mail, never back.
constexpr CallStatus kVoiceMailPath[] = {
    CallStatus::kRouting,           CallStatus::kRinging,     CallStatus::kVmBufferingGreeting,
    CallStatus::kVmPlayingGreeting, CallStatus::kVmRecording, CallStatus::kVmSent,
};
constexpr std::size_t kFirstVoiceMailStep = 2;

template <typename Calls>
auto FindById(Calls& calls, CallId id) {
    return std::find_if(calls.begin(), calls.end(), [id](const CallInfo& c) { return c.id == id; });
}

bool IsAnswered(CallStatus status) {
    return status == CallStatus::kInProgress || status == CallStatus::kLocalHold ||
           status == CallStatus::kRemoteHold;
}

bool IsVoiceMail(CallStatus status) {
    return status == CallStatus::kVmBufferingGreeting || status == CallStatus::kVmPlayingGreeting ||
           status == CallStatus::kVmRecording;
}

bool IsUnansweredOutgoing(const CallInfo& call) {
    return IsOutgoing(call.type) &&
           (call.status == CallStatus::kRouting || call.status == CallStatus::kRinging);
}

CallType TypeOf(bool outgoing, std::string_view handle) {
    const bool pstn = IsTelephoneNumber(handle);
    if (outgoing) {
        return pstn ? CallType::kOutgoingPstn : CallType::kOutgoingP2p;
    }
    return pstn ? CallType::kIncomingPstn : CallType::kIncomingP2p;
}

bool IsRingingHere(const CallInfo& call) {
    return !IsOutgoing(call.type) && call.status == CallStatus::kRinging;
}

bool CanJoin(const CallInfo& call) {
    return IsLive(call.status) && !IsVoiceMail(call.status) && !IsRingingHere(call);
}

std::size_t VoiceMailStep(CallStatus status) {
    return static_cast<std::size_t>(
        std::find(std::begin(kVoiceMailPath), std::end(kVoiceMailPath), status) -
        std::begin(kVoiceMailPath));
}

std::string StatusText(const CallInfo& call) {
    return CallText(call.id, "STATUS", ToString(call.status));
}

CallResult Unknown(CallId id) {
    std::string why = "no call ";
    why += std::to_string(id);
    return {CallResult::Kind::kUnknownCall, why};
}

}  // namespace

std::optional<CallId> ParseCallId(std::string_view word) {
    const std::optional<std::int64_t> id =
        tools::ParseInteger(word, 1, std::numeric_limits<CallId>::max());
    if (!id) {
        return std::nullopt;
    }
    return static_cast<CallId>(*id);
}

std::string_view ToString(CallType type) {
    switch (type) {
        case CallType::kIncomingPstn:
            return "INCOMING_PSTN";
        case CallType::kOutgoingPstn:
            return "OUTGOING_PSTN";
        case CallType::kIncomingP2p:
            return "INCOMING_P2P";
        case CallType::kOutgoingP2p:
            return "OUTGOING_P2P";
    }
    return "?";
}

std::string_view ToString(CallStatus status) {
    return kStatusWords[static_cast<std::size_t>(status)];
}

std::optional<CallStatus> StatusFromWord(std::string_view word) {
    const auto found = std::find(kStatusWords.begin(), kStatusWords.end(), word);
    if (found == kStatusWords.end()) {
        return std::nullopt;
    }
    return static_cast<CallStatus>(found - kStatusWords.begin());
}

bool IsLive(CallStatus status) {
    return status < CallStatus::kFinished;
}

bool IsOutgoing(CallType type) {
    return type == CallType::kOutgoingPstn || type == CallType::kOutgoingP2p;
}

bool IsTelephoneNumber(std::string_view handle) {
    return !handle.empty() &&
           (handle.front() == '+' || (handle.front() >= '0' && handle.front() <= '9'));
}

std::string Describe(const CallInfo& call) {
    std::string line = std::to_string(call.id);
    line.append(" ").append(ToString(call.type)).append(" ").append(call.handle);
    line.append(" \"").append(call.displayName).append("\" ").append(ToString(call.status));
    line.append(" ").append(std::to_string(call.duration)).append(" s");
    if (call.heldByFarEnd) {
        line += ", held by the far end";
    }
    if (call.conference != 0) {
        line.append(", conference ").append(std::to_string(call.conference));
    }
    if (call.failureReason != 0) {
        line.append(", failure reason ").append(std::to_string(call.failureReason));
    }
    if (!call.seen) {
        line += ", unseen";
    }
    return line;
}

std::string CallText(CallId id, std::string_view property, std::string_view value) {
    std::string text = "CALL ";
    text.append(std::to_string(id)).append(" ").append(property).append(" ").append(value);
    return text;
}

CallModel::CallModel(NotificationSink sink, WallClock clock)
    : sink_(std::move(sink)), clock_(std::move(clock)) {}

CallInfo* CallModel::Call(CallId id) {
    const auto found = FindById(calls_, id);
    return found == calls_.end() ? nullptr : &*found;
}

std::optional<CallInfo> CallModel::Find(CallId id) const {
    const auto found = FindById(calls_, id);
    if (found == calls_.end()) {
        return std::nullopt;
    }
    return *found;
}

CallResult CallModel::NewCall(CallInfo call) {
    std::string why;
    if (call.id == 0) {
        why = "0 is not a call id: ids are numbers above 0";
    } else if (Find(call.id)) {
        why.append("call ").append(std::to_string(call.id)).append(" exists already");
    } else if (call.handle.empty() || call.handle.find_first_of(" \t\r\n") != std::string::npos) {
        why = "a handle is one word";
    }
    if (!why.empty()) {
        return {CallResult::Kind::kImpossible, why};
    }
    const bool live = IsLive(call.status);
    if (live) {
        call.timestamp = clock_ ? clock_() : 0;
    }
    calls_.push_back(std::move(call));
    return live ? Publish({StatusText(calls_.back())}) : CallResult{};
}

CallResult CallModel::AddHistory(CallId id, HistoryKind kind, std::string handle,
                                 std::int64_t timestamp, std::string displayName) {
    const CallType type = TypeOf(kind == HistoryKind::kOutgoing, handle);
    CallInfo call{id, type, std::move(handle), std::move(displayName),
                  kind == HistoryKind::kMissed ? CallStatus::kMissed : CallStatus::kFinished};
    call.timestamp = timestamp;
    call.seen = kind != HistoryKind::kMissed;
    return NewCall(std::move(call));
}

CallResult CallModel::IncomingCall(CallId id, std::string handle, std::string displayName,
                                   bool pstn) {
    return NewCall({id, pstn ? CallType::kIncomingPstn : CallType::kIncomingP2p, std::move(handle),
                    std::move(displayName), CallStatus::kRinging});
}

CallResult CallModel::OutgoingCall(CallId id, std::string handle, std::string displayName,
                                   bool pstn) {
    return NewCall({id, pstn ? CallType::kOutgoingPstn : CallType::kOutgoingP2p, std::move(handle),
                    std::move(displayName), CallStatus::kRouting});
}

CallResult CallModel::Change(CallId id, const Step& step) {
    CallInfo* call = Call(id);
    if (call == nullptr) {
        return Unknown(id);
    }
    Texts texts;
    if (std::optional<std::string> why = step(*call, texts)) {
        std::string text = "call ";
        text.append(std::to_string(id)).append(" (").append(ToString(call->type)).append(", ");
        text.append(ToString(call->status)).append("): ").append(*why);
        return {CallResult::Kind::kImpossible, text};
    }
    return Publish(std::move(texts));
}

bool CallModel::HasStatus(CallId id, CallStatus status) const {
    const std::optional<CallInfo> call = Find(id);
    return call && call->status == status;
}

CallResult CallModel::RemoteRing(CallId id) {
    return Change(id, [this](CallInfo& call, Texts& texts) -> Refusal {
        if (!IsOutgoing(call.type) || call.status != CallStatus::kRouting) {
            return "only an outgoing call that routes can start ringing";
        }
        MoveTo(call, CallStatus::kRinging, texts);
        return std::nullopt;
    });
}

CallResult CallModel::RemoteAnswer(CallId id) {
    return Change(id, [this](CallInfo& call, Texts& texts) -> Refusal {
        if (!IsUnansweredOutgoing(call)) {
            return "the far end answers only an outgoing call not answered yet";
        }
        MoveTo(call, CallStatus::kInProgress, texts);
        return std::nullopt;
    });
}

CallResult CallModel::RemoteRefuse(CallId id) {
    return EndUnansweredOutgoing(id, CallStatus::kRefused);
}

CallResult CallModel::RemoteBusy(CallId id) {
    return EndUnansweredOutgoing(id, CallStatus::kBusy);
}

CallResult CallModel::EndUnansweredOutgoing(CallId id, CallStatus status) {
    return Change(id, [this, status](CallInfo& call, Texts& texts) -> Refusal {
        if (!IsUnansweredOutgoing(call)) {
            std::string why = "only an outgoing call not answered yet can end ";
            return why.append(ToString(status));
        }
        End(call, status, texts);
        return std::nullopt;
    });
}

CallResult CallModel::RemoteHold(CallId id) {
    return Change(id, [this](CallInfo& call, Texts& texts) -> Refusal {
        if (!IsAnswered(call.status) || call.heldByFarEnd) {
            return "the far end holds only an answered call it does not hold yet";
        }
        call.heldByFarEnd = true;
        if (call.status == CallStatus::kInProgress) {  // held here too: it still reads LOCALHOLD
            MoveTo(call, CallStatus::kRemoteHold, texts);
        }
        return std::nullopt;
    });
}

CallResult CallModel::RemoteResume(CallId id) {
    return Change(id, [this](CallInfo& call, Texts& texts) -> Refusal {
        if (!call.heldByFarEnd) {
            return "the far end does not hold it";
        }
        call.heldByFarEnd = false;
        if (call.status == CallStatus::kRemoteHold) {
            MoveTo(call, CallStatus::kInProgress, texts);
        }
        return std::nullopt;
    });
}

CallResult CallModel::RemoteHangup(CallId id) {
    return Change(id, [this](CallInfo& call, Texts& texts) -> Refusal {
        if (call.status == CallStatus::kRouting || call.status == CallStatus::kRinging) {
            End(call, CallStatus::kMissed, texts);
        } else if (IsAnswered(call.status)) {
            End(call, CallStatus::kFinished, texts);
        } else {
            return "the far end hangs up only a call that rings or is answered";
        }
        return std::nullopt;
    });
}

CallResult CallModel::RemoteFail(CallId id, std::uint32_t reason) {
    return Change(id, [this, reason](CallInfo& call, Texts& texts) -> Refusal {
        if (!IsLive(call.status)) {
            return "it has ended";
        }
        if (reason == 0) {
            return "a failure reason is a number above 0";
        }
        call.failureReason = reason;
        texts.push_back(CallText(call.id, "FAILUREREASON", std::to_string(reason)));
        End(call, CallStatus::kFailed, texts);
        return std::nullopt;
    });
}

CallResult CallModel::VoiceMail(CallId id, CallStatus state) {
    return Change(id, [this, state](CallInfo& call, Texts& texts) -> Refusal {
        const std::size_t target = VoiceMailStep(state);
        std::string why(ToString(state));
        if (target < kFirstVoiceMailStep || target >= std::size(kVoiceMailPath)) {
            return why.append(" is not a voice-mail state");
        }
        if (!IsOutgoing(call.type) || VoiceMailStep(call.status) >= target) {
            std::string text = "only an unanswered outgoing call before ";
            return text.append(why).append(" can move on to it");
        }
        if (state == CallStatus::kVmSent) {
            End(call, state, texts);
        } else {
            MoveTo(call, state, texts);
        }
        return std::nullopt;
    });
}

CallResult CallModel::SetInProgress(CallId id) {
    if (HasStatus(id, CallStatus::kInProgress)) {
        return {CallResult::Kind::kUnchanged, {}};
    }
    return Change(id, [this](CallInfo& call, Texts& texts) -> Refusal {
        if (IsRingingHere(call)) {
            MoveTo(call, CallStatus::kInProgress, texts);
        } else if (call.status == CallStatus::kLocalHold) {
            MoveTo(call, call.heldByFarEnd ? CallStatus::kRemoteHold : CallStatus::kInProgress,
                   texts);
        } else {
            return "only an incoming call that rings or a call held here can go on";
        }
        return std::nullopt;
    });
}

CallResult CallModel::SetOnHold(CallId id) {
    if (HasStatus(id, CallStatus::kLocalHold)) {
        return {CallResult::Kind::kUnchanged, {}};
    }
    return Change(id, [this](CallInfo& call, Texts& texts) -> Refusal {
        if (!IsAnswered(call.status)) {
            return "only an answered call can be held";
        }
        // The client says the hold is asked for, then that it holds.
        texts.push_back(CallText(call.id, "STATUS", "ONHOLD"));
        MoveTo(call, CallStatus::kLocalHold, texts);
        return std::nullopt;
    });
}

CallResult CallModel::SetFinished(CallId id) {
    return Change(id, [this](CallInfo& call, Texts& texts) -> Refusal {
        if (IsRingingHere(call)) {
            End(call, CallStatus::kRefused, texts);
        } else if (IsUnansweredOutgoing(call)) {
            End(call, CallStatus::kCancelled, texts);
        } else if (IsAnswered(call.status)) {
            End(call, CallStatus::kFinished, texts);
        } else if (call.status == CallStatus::kVmRecording) {
            End(call, CallStatus::kVmSent, texts);
        } else if (IsVoiceMail(call.status)) {
            End(call, CallStatus::kVmCancelled, texts);
        } else {
            return "it has ended";
        }
        return std::nullopt;
    });
}

CallResult CallModel::JoinConference(CallId id, CallId other) {
    return Change(id, [this, other](CallInfo& call, Texts& texts) -> Refusal {
        CallInfo* host = Call(other);
        if (!CanJoin(call) || call.conference != 0) {
            return "only a live call in no conference, neither in voice mail nor ringing here, "
                   "can join one";
        }
        if (host == nullptr || host == &call || !CanJoin(*host)) {
            std::string why = "call ";
            return why.append(std::to_string(other))
                .append(" is not another call that can take it into a conference");
        }
        if (host->conference == 0) {
            host->conference = host->id;
            conferences_[host->id] = {host->id};
            texts.push_back(CallText(host->id, "CONF_ID", std::to_string(host->id)));
        }
        const CallId conference = host->conference;
        call.conference = conference;
        conferences_[conference].push_back(call.id);
        texts.push_back(CallText(call.id, "CONF_ID", std::to_string(conference)));
        if (const std::optional<CallInfo> first = Find(conference);
            first && IsLive(first->status)) {
            texts.push_back(CountText(conference));
        }
        return std::nullopt;
    });
}

CallResult CallModel::SetSeen(CallId id, bool seen) {
    CallInfo* call = Call(id);
    if (call == nullptr) {
        return Unknown(id);
    }
    call->toldSeen = call->toldSeen || seen;
    if (call->seen == seen) {
        return {CallResult::Kind::kUnchanged, {}};
    }
    call->seen = seen;
    return Publish({CallText(id, "SEEN", seen ? "TRUE" : "FALSE")});
}

void CallModel::HangUpAll() {
    std::vector<CallId> live;
    for (const CallInfo& call : calls_) {
        if (IsLive(call.status)) {
            live.push_back(call.id);
        }
    }
    for (const CallId id : live) {
        SetFinished(id);
    }
}

void CallModel::Tick() {
    Texts texts;
    for (CallInfo& call : calls_) {
        if (IsAnswered(call.status)) {
            ++call.duration;
            texts.push_back(CallText(call.id, "DURATION", std::to_string(call.duration)));
        }
    }
    Publish(std::move(texts));
}

bool CallModel::AnyTalking() const {
    return std::any_of(calls_.begin(), calls_.end(),
                       [](const CallInfo& call) { return IsAnswered(call.status); });
}

std::vector<CallInfo> CallModel::NewestFirst() const {
    std::vector<CallInfo> calls(calls_.rbegin(), calls_.rend());
    std::stable_sort(calls.begin(), calls.end(), [](const CallInfo& a, const CallInfo& b) {
        return a.timestamp > b.timestamp;
    });
    return calls;
}

std::optional<CallId> CallModel::FreshId() const {
    CallId highest = 0;
    for (const CallInfo& call : calls_) {
        highest = std::max(highest, call.id);
    }
    if (highest == std::numeric_limits<CallId>::max()) {
        return std::nullopt;
    }
    return highest + 1;
}

std::vector<CallInfo> CallModel::Participants(CallId id) const {
    std::vector<CallInfo> participants;
    const std::optional<CallInfo> call = Find(id);
    if (!call || call->conference == 0) {
        return participants;
    }
    for (const CallId member : conferences_.at(call->conference)) {
        if (std::optional<CallInfo> found = Find(member); found && IsLive(found->status)) {
            participants.push_back(std::move(*found));
        }
    }
    return participants;
}

std::string CallModel::CountText(CallId host) const {
    return CallText(host, "CONF_PARTICIPANTS_COUNT", std::to_string(Participants(host).size() + 1));
}

void CallModel::MoveTo(CallInfo& call, CallStatus status, Texts& texts) {
    call.status = status;
    texts.push_back(StatusText(call));
}

// A call that ends leaves its conference: the host hears the new count.
void CallModel::End(CallInfo& call, CallStatus status, Texts& texts) {
    call.heldByFarEnd = false;
    if (status == CallStatus::kMissed && !IsOutgoing(call.type)) {
        call.seen = false;  // the user never took part in it
    }
    MoveTo(call, status, texts);
    if (call.conference != 0 && call.conference != call.id) {
        if (const std::optional<CallInfo> host = Find(call.conference);
            host && IsLive(host->status)) {
            texts.push_back(CountText(call.conference));
        }
    }
}

CallResult CallModel::Publish(Texts texts) {
    if (const bool talking = AnyTalking(); talking != talking_) {
        talking_ = talking;
        if (talkingObserver_) {
            talkingObserver_(talking);
        }
    }
    for (const std::string& text : texts) {
        sink_(text);
    }
    return {};
}

}  // namespace phone_client_sim
