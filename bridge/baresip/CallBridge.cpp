// Events to notifications, commands to baresip commands or answers from the table.
#include "bridge/baresip/CallBridge.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "bridge/baresip/CallHistory.h"
#include "bridge/baresip/SipPeer.h"
#include "platform/clientlink/ClientErrors.h"
#include "platform/text/CommandWords.h"

namespace baresip {
namespace {

using platform::EqualsIgnoringCase;
using namespace platform::client_error;

constexpr int kProtocol = 5;

// The desktop API's failure reasons the handset has texts for.
constexpr std::uint32_t kMiscError = 1;
constexpr std::uint32_t kNoSuchUser = 2;
constexpr std::uint32_t kUserOffline = 3;
constexpr std::uint32_t kNoProxy = 4;
constexpr std::uint32_t kNoCommonCodec = 6;
constexpr std::uint32_t kNotAuthorized = 11;

std::optional<CallId> ParseCallId(std::string_view word) {
    CallId id = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), id);
    if (error != std::errc() || end != word.data() + word.size() || id == 0 || word[0] == '+') {
        return std::nullopt;
    }
    return id;
}

// "CALL <id> <property> <value>", the form of every text about a call. Built by appending: GCC
// 12 at -O3 misreads "literal" + std::string temporaries.
std::string CallText(CallId id, std::string_view property, std::string_view value) {
    std::string text = "CALL ";
    text.append(std::to_string(id)).append(" ").append(property).append(" ").append(value);
    return text;
}

std::string Joined(std::string_view head, std::string_view tail) {
    std::string text(head);
    text.append(tail);
    return text;
}

// What "get call" answers, by property; `now` in seconds since 1970 UTC.
struct Property {
    std::string_view name;  // as the answer spells it
    std::string (*value)(const BridgeCall& call, std::int64_t now);
};

const Property kProperties[] = {
    {"PARTNER_HANDLE", [](const BridgeCall& c, std::int64_t) { return c.handle; }},
    {"PARTNER_DISPNAME", [](const BridgeCall& c, std::int64_t) { return c.displayName; }},
    {"TYPE", [](const BridgeCall& c, std::int64_t) { return std::string(c.TypeWord()); }},
    {"STATUS", [](const BridgeCall& c, std::int64_t) { return std::string(ToString(c.status)); }},
    {"DURATION",
     [](const BridgeCall& c, std::int64_t now) {
         const std::int64_t seconds =
             IsLive(c.status) && c.answeredAt != 0 ? now - c.answeredAt : c.duration;
         return std::to_string(std::max<std::int64_t>(seconds, 0));
     }},
    {"FAILUREREASON",
     [](const BridgeCall& c, std::int64_t) { return std::to_string(c.failureReason); }},
    {"SEEN",
     [](const BridgeCall& c, std::int64_t) { return std::string(c.seen ? "TRUE" : "FALSE"); }},
    {"TIMESTAMP", [](const BridgeCall& c, std::int64_t) { return std::to_string(c.timestamp); }},
    // baresip's calls are never in a conference.
    {"CONF_ID", [](const BridgeCall&, std::int64_t) { return std::string("0"); }},
    {"CONF_PARTICIPANTS_COUNT", [](const BridgeCall&, std::int64_t) { return std::string("0"); }},
};

// The SIP status code a closing reason starts with, or 0.
int SipCode(std::string_view reason) {
    int code = 0;
    const auto [end, error] = std::from_chars(
        reason.data(), reason.data() + std::min<std::size_t>(reason.size(), 3), code);
    return error == std::errc() && end == reason.data() + 3 && code >= 100 && code <= 699 ? code
                                                                                          : 0;
}

bool IsRefusal(int code) {
    return code == 486 || code == 600 || code == 603;  // busy or declined
}

}  // namespace

std::uint32_t FailureReasonFor(std::string_view reason) {
    switch (SipCode(reason)) {
        case 404:
        case 410:
        case 484:
        case 604:
            return kNoSuchUser;
        case 408:
        case 480:
            return kUserOffline;
        case 401:
        case 403:
        case 407:
            return kNotAuthorized;
        case 415:
        case 488:
        case 606:
            return kNoCommonCodec;
        case 502:
        case 503:
        case 504:
            return kNoProxy;
        case 0:
            if (reason.find("timed out") != std::string_view::npos) {
                return kUserOffline;
            }
            if (reason.find("refused") != std::string_view::npos ||
                reason.find("unreachable") != std::string_view::npos) {
                return kNoProxy;
            }
            return kMiscError;
        default:
            return kMiscError;
    }
}

CallBridge::CallBridge(BridgeOutput output, std::vector<BridgeCall> history)
    : output_(std::move(output)), queue_(output_.toBaresip), calls_(std::move(history)) {
    CallId highest = 0;
    for (const BridgeCall& call : calls_) {
        highest = std::max(highest, call.id);
    }
    nextId_ = highest == UINT32_MAX ? std::nullopt : std::optional<CallId>(highest + 1);
}

std::int64_t CallBridge::Now() const {
    return output_.now ? output_.now() : 0;
}

BridgeCall* CallBridge::Find(CallId id) {
    auto call = std::find_if(calls_.begin(), calls_.end(),
                             [id](const BridgeCall& c) { return c.id == id; });
    return call == calls_.end() ? nullptr : &*call;
}

BridgeCall* CallBridge::FindByBaresipId(std::string_view baresipId) {
    if (baresipId.empty()) {
        return nullptr;
    }
    auto call = std::find_if(calls_.begin(), calls_.end(), [baresipId](const BridgeCall& c) {
        return IsLive(c.status) && c.baresipId == baresipId;
    });
    return call == calls_.end() ? nullptr : &*call;
}

void CallBridge::Notify(const BridgeCall& call, std::string_view property, std::string_view value) {
    output_.notify(CallText(call.id, property, value));
}

void CallBridge::Reply(LinkId link, std::string text) {
    output_.reply(link, text);
}

void CallBridge::HistoryChanged() {
    // The table holds what the history file holds: the newest ended calls, and the live ones.
    std::vector<const BridgeCall*> ended;
    for (const BridgeCall& call : calls_) {
        if (!IsLive(call.status)) {
            ended.push_back(&call);
        }
    }
    if (ended.size() > kMaxHistoryCalls) {
        std::nth_element(
            ended.begin(), ended.begin() + kMaxHistoryCalls, ended.end(),
            [](const BridgeCall* a, const BridgeCall* b) { return NewerFirst(*a, *b); });
        std::set<CallId> dropped;
        for (auto call = ended.begin() + kMaxHistoryCalls; call != ended.end(); ++call) {
            dropped.insert((*call)->id);
        }
        std::erase_if(calls_,
                      [&dropped](const BridgeCall& call) { return dropped.count(call.id) != 0; });
    }
    if (output_.historyChanged) {
        output_.historyChanged(calls_);
    }
}

// baresip's side.

void CallBridge::OnBaresipUp() {
    SetUserStatus("ONLINE");
}

void CallBridge::OnBaresipDown() {
    queue_.FailAll();
    bool ended = false;
    for (BridgeCall& call : calls_) {
        if (IsLive(call.status)) {
            Closed(call, "Connection reset");
            ended = true;
        }
    }
    userStatus_ = "OFFLINE";
    muted_ = false;
    if (ended) {
        HistoryChanged();
    }
}

void CallBridge::OnBaresipMessage(std::string_view payload) {
    const std::optional<BaresipMessage> message = ParseBaresipMessage(payload);
    if (!message) {
        return;
    }
    if (const auto* response = std::get_if<BaresipResponse>(&*message)) {
        queue_.OnResponse(*response);
        return;
    }
    const auto& event = std::get<BaresipEvent>(*message);
    if (event.eventClass == "call") {
        OnCallEvent(event);
    } else if (event.eventClass == "register") {
        OnRegisterEvent(event);
    }
}

void CallBridge::OnRegisterEvent(const BaresipEvent& event) {
    if (event.type == "REGISTER_OK") {
        SetUserStatus("ONLINE");
    } else if (event.type == "REGISTER_FAIL" || event.type == "UNREGISTERING") {
        SetUserStatus("OFFLINE");
    }
}

void CallBridge::SetUserStatus(std::string_view status) {
    if (userStatus_ != status) {
        userStatus_ = std::string(status);
        output_.notify(Joined("USERSTATUS ", userStatus_));
    }
}

BridgeCall* CallBridge::NewCall(bool outgoing, std::string handle, std::string name,
                                CallStatus status) {
    if (!nextId_) {
        return nullptr;  // every id has been given: the call cannot be told about
    }
    BridgeCall call;
    call.id = *nextId_;
    nextId_ = call.id == UINT32_MAX ? std::nullopt : std::optional<CallId>(call.id + 1);
    call.outgoing = outgoing;
    call.handle = std::move(handle);
    call.displayName = std::move(name);
    call.status = status;
    call.timestamp = Now();
    calls_.push_back(std::move(call));
    return &calls_.back();
}

// The call an event is about. A call dialled from the handset gets baresip's id with the first
// event of an outgoing call baresip names; a call baresip knows but the bridge does not (one
// placed in baresip itself, or live when the bridge connected) is taken in as it stands.
BridgeCall* CallBridge::CallForEvent(const BaresipEvent& event) {
    if (BridgeCall* call = FindByBaresipId(event.callId)) {
        return call;
    }
    if (event.callId.empty() || (event.type == "CALL_CLOSED" && event.direction != "outgoing")) {
        return nullptr;
    }
    const bool outgoing = event.direction == "outgoing";
    if (outgoing) {
        auto dialled = std::find_if(calls_.begin(), calls_.end(), [](const BridgeCall& c) {
            return IsLive(c.status) && c.outgoing && c.baresipId.empty();
        });
        if (dialled != calls_.end()) {
            dialled->baresipId = event.callId;
            return &*dialled;
        }
        if (event.type == "CALL_CLOSED") {
            return nullptr;
        }
    }
    BridgeCall* call =
        NewCall(outgoing, HandleFromUri(event.peerUri), NameForPeer(event.peerName, event.peerUri),
                outgoing ? CallStatus::kRouting : CallStatus::kRinging);
    if (call != nullptr) {
        call->baresipId = event.callId;
        Notify(*call, "STATUS", ToString(call->status));
    }
    return call;
}

void CallBridge::OnCallEvent(const BaresipEvent& event) {
    BridgeCall* call = CallForEvent(event);
    if (call == nullptr) {
        return;
    }
    if (call->hangUpAsked && !call->hangUpSent && event.type != "CALL_CLOSED") {
        HangUp(*call);  // hung up on the handset before baresip had named it
    }
    if (event.type == "CALL_RINGING" || event.type == "CALL_PROGRESS") {
        if (call->status == CallStatus::kRouting) {
            MoveTo(*call, CallStatus::kRinging);
        }
    } else if (event.type == "CALL_ESTABLISHED") {
        Established(*call);
    } else if (event.type == "CALL_CLOSED") {
        Closed(*call, event.param);
        HistoryChanged();
    }
}

void CallBridge::MoveTo(BridgeCall& call, CallStatus status) {
    call.status = status;
    Notify(call, "STATUS", ToString(status));
}

void CallBridge::Established(BridgeCall& call) {
    if (call.status != CallStatus::kRouting && call.status != CallStatus::kRinging) {
        return;
    }
    call.answeredAt = std::max<std::int64_t>(Now(), 1);
    MoveTo(call, CallStatus::kInProgress);
    if (muted_) {
        MuteCall(call, true);
    }
}

void CallBridge::Closed(BridgeCall& call, std::string_view reason) {
    if (call.answeredAt != 0) {
        EndCall(call, CallStatus::kFinished, 0);
    } else if (call.hangUpAsked) {
        EndCall(call, call.outgoing ? CallStatus::kCancelled : CallStatus::kRefused, 0);
    } else if (!call.outgoing) {
        call.seen = false;
        EndCall(call, CallStatus::kMissed, 0);
    } else if (IsRefusal(SipCode(reason))) {
        EndCall(call, CallStatus::kRefused, 0);
    } else {
        EndCall(call, CallStatus::kFailed, FailureReasonFor(reason));
    }
}

void CallBridge::EndCall(BridgeCall& call, CallStatus status, std::uint32_t failureReason) {
    if (call.answeredAt != 0) {
        call.duration =
            static_cast<std::uint32_t>(std::max<std::int64_t>(Now() - call.answeredAt, 0));
    }
    call.failureReason = failureReason;
    call.baresipId.clear();
    call.muted = false;
    if (status == CallStatus::kFailed) {
        Notify(call, "FAILUREREASON", std::to_string(failureReason));
    }
    MoveTo(call, status);
}

// The links' side.

void CallBridge::OnLinkCommand(LinkId link, std::string_view command) {
    const std::vector<std::string_view> words = platform::SplitWords(command);
    const Words all(words);
    if (words.size() >= 2 && EqualsIgnoringCase(words[1], "call")) {
        if (EqualsIgnoringCase(words[0], "get")) {
            GetCall(link, all.subspan(2));
            return;
        }
        if (EqualsIgnoringCase(words[0], "set")) {
            SetCall(link, all.subspan(2));
            return;
        }
    }
    if (!words.empty() && EqualsIgnoringCase(words[0], "call")) {
        Dial(link, all.subspan(1));
        return;
    }
    if (words.size() == 2 && EqualsIgnoringCase(words[0], "search") &&
        (EqualsIgnoringCase(words[1], "calls") || EqualsIgnoringCase(words[1], "activecalls"))) {
        Reply(link, CallsText(EqualsIgnoringCase(words[1], "activecalls")));
        return;
    }
    if (words.size() == 3 && EqualsIgnoringCase(words[0], "set") &&
        EqualsIgnoringCase(words[1], "mute") &&
        (EqualsIgnoringCase(words[2], "on") || EqualsIgnoringCase(words[2], "off"))) {
        SetMute(EqualsIgnoringCase(words[2], "on"));
        return;
    }
    if (words.size() == 2 && EqualsIgnoringCase(words[0], "get") &&
        EqualsIgnoringCase(words[1], "mute")) {
        Reply(link, muted_ ? "MUTE ON" : "MUTE OFF");
        return;
    }
    if (AccountCommand(link, all) || VoicemailCommand(link, all)) {
        return;
    }
    Reply(link, std::string(kUnknownCommand));
}

bool CallBridge::AccountCommand(LinkId link, Words words) {
    if (words.size() == 2 && EqualsIgnoringCase(words[0], "protocol")) {
        int version = 0;
        const auto [end, error] =
            std::from_chars(words[1].data(), words[1].data() + words[1].size(), version);
        if (error == std::errc() && end == words[1].data() + words[1].size() && version >= 1) {
            Reply(link, Joined("PROTOCOL ", std::to_string(std::min(version, kProtocol))));
            return true;
        }
        return false;
    }
    if (words.size() == 2 && EqualsIgnoringCase(words[0], "get") &&
        EqualsIgnoringCase(words[1], "userstatus")) {
        Reply(link, Joined("USERSTATUS ", userStatus_));
        return true;
    }
    if (words.size() == 3 && EqualsIgnoringCase(words[0], "get") &&
        EqualsIgnoringCase(words[1], "profile") && EqualsIgnoringCase(words[2], "pstn_balance")) {
        Reply(link, "PROFILE PSTN_BALANCE 0");
        return true;
    }
    if (words.size() == 2 && EqualsIgnoringCase(words[0], "search") &&
        EqualsIgnoringCase(words[1], "friends")) {
        Reply(link, "USERS ");  // baresip's contacts are not the softphone's friends
        return true;
    }
    return false;
}

// baresip keeps no voice messages: the list is empty, and no message is known.
bool CallBridge::VoicemailCommand(LinkId link, Words words) {
    if (words.size() == 2 && EqualsIgnoringCase(words[0], "search") &&
        EqualsIgnoringCase(words[1], "voicemails")) {
        Reply(link, "VOICEMAILS ");
        return true;
    }
    if (words.size() >= 2 && EqualsIgnoringCase(words[1], "voicemail") &&
        (EqualsIgnoringCase(words[0], "get") || EqualsIgnoringCase(words[0], "open") ||
         EqualsIgnoringCase(words[0], "close"))) {
        Reply(link, std::string(words.size() >= 3 && ParseCallId(words[2]) ? kUnknownVoicemail
                                                                           : kInvalidVoicemailId));
        return true;
    }
    return false;
}

void CallBridge::GetCall(LinkId link, Words words) {
    const std::optional<CallId> id = words.empty() ? std::nullopt : ParseCallId(words[0]);
    if (!id) {
        Reply(link, std::string(kGetInvalidId));
        return;
    }
    const BridgeCall* call = Find(*id);
    if (call == nullptr) {
        Reply(link, std::string(kGetUnknownCall));
        return;
    }
    if (words.size() != 2) {
        Reply(link, std::string(kGetInvalidProperty));
        return;
    }
    for (const Property& property : kProperties) {
        if (EqualsIgnoringCase(words[1], property.name)) {
            Reply(link, CallText(*id, property.name, property.value(*call, Now())));
            return;
        }
    }
    Reply(link, std::string(kGetInvalidProperty));
}

void CallBridge::SetCall(LinkId link, Words words) {
    const std::optional<CallId> id = words.empty() ? std::nullopt : ParseCallId(words[0]);
    if (!id) {
        Reply(link, std::string(kSetInvalidId));
        return;
    }
    BridgeCall* call = Find(*id);
    if (call == nullptr) {
        Reply(link, std::string(kSetUnknownCall));
        return;
    }
    if (words.size() == 3 && EqualsIgnoringCase(words[1], "status")) {
        SetStatus(link, *call, words[2]);
    } else if (words.size() == 3 && EqualsIgnoringCase(words[1], "seen") &&
               (EqualsIgnoringCase(words[2], "true") || EqualsIgnoringCase(words[2], "false"))) {
        SetSeen(link, *call, EqualsIgnoringCase(words[2], "true"));
    } else if (words.size() == 3 && EqualsIgnoringCase(words[1], "join_conference")) {
        Reply(link, std::string(kCannotJoin));  // baresip has no conference of its calls
    } else {
        Reply(link, std::string(kSetInvalidProperty));
    }
}

void CallBridge::SetStatus(LinkId link, BridgeCall& call, std::string_view status) {
    const CallId id = call.id;
    const auto answerUnchanged = [this, link, &call] {
        Reply(link, CallText(call.id, "STATUS", ToString(call.status)));
    };
    if (EqualsIgnoringCase(status, "finished")) {
        if (!IsLive(call.status)) {
            Reply(link, std::string(kCannotHangUp));
            return;
        }
        HangUp(call);
        return;
    }
    if (EqualsIgnoringCase(status, "inprogress")) {
        if (call.status == CallStatus::kInProgress) {
            answerUnchanged();
        } else if (call.status == CallStatus::kRinging && !call.outgoing &&
                   !call.baresipId.empty()) {
            queue_.OnCall(call.baresipId, "accept", [this, link, id](bool ok, const std::string&) {
                if (!ok) {
                    Reply(link, std::string(kCannotResume));
                    return;
                }
                // Answering holds baresip's other answered calls.
                for (BridgeCall& other : calls_) {
                    if (other.id != id && other.status == CallStatus::kInProgress) {
                        Notify(other, "STATUS", "ONHOLD");
                        MoveTo(other, CallStatus::kLocalHold);
                    }
                }
            });
        } else if (call.status == CallStatus::kLocalHold) {
            queue_.OnCall(call.baresipId, "resume", [this, link, id](bool ok, const std::string&) {
                BridgeCall* resumed = Find(id);
                if (!ok || resumed == nullptr || resumed->status != CallStatus::kLocalHold) {
                    Reply(link, std::string(kCannotResume));
                    return;
                }
                MoveTo(*resumed, CallStatus::kInProgress);
            });
        } else {
            Reply(link, std::string(kCannotResume));
        }
        return;
    }
    if (EqualsIgnoringCase(status, "onhold")) {
        if (call.status == CallStatus::kLocalHold) {
            answerUnchanged();
        } else if (call.status == CallStatus::kInProgress) {
            // baresip tells nothing of a hold: the bridge says it once baresip took it.
            queue_.OnCall(call.baresipId, "hold", [this, link, id](bool ok, const std::string&) {
                BridgeCall* held = Find(id);
                if (!ok || held == nullptr || held->status != CallStatus::kInProgress) {
                    Reply(link, std::string(kCannotHold));
                    return;
                }
                Notify(*held, "STATUS", "ONHOLD");
                MoveTo(*held, CallStatus::kLocalHold);
            });
        } else {
            Reply(link, std::string(kCannotHold));
        }
        return;
    }
    Reply(link, std::string(kSetInvalidProperty));
}

void CallBridge::HangUp(BridgeCall& call) {
    call.hangUpAsked = true;
    if (call.baresipId.empty() || call.hangUpSent) {
        return;  // dialled, not named by baresip yet: hung up at its first event
    }
    call.hangUpSent = true;
    const CallId id = call.id;
    queue_.OnCall(call.baresipId, "hangup", [this, id](bool ok, const std::string&) {
        BridgeCall* hungUp = Find(id);
        if (!ok && hungUp != nullptr && IsLive(hungUp->status)) {
            // baresip has no such call any more: it ended without the bridge hearing of it.
            Closed(*hungUp, {});
            HistoryChanged();
        }
    });
}

void CallBridge::SetSeen(LinkId link, BridgeCall& call, bool seen) {
    if (call.seen == seen) {
        Reply(link, CallText(call.id, "SEEN", seen ? "TRUE" : "FALSE"));
        return;
    }
    call.seen = seen;
    Notify(call, "SEEN", seen ? "TRUE" : "FALSE");
    if (!IsLive(call.status)) {
        HistoryChanged();
    }
}

// The new call takes the name the user knows the handle by: that of its newest call.
void CallBridge::Dial(LinkId link, Words words) {
    if (words.empty()) {
        Reply(link, std::string(kEmptyTarget));
        return;
    }
    if (words.size() > 1 || HandleFromUri(words[0]) != words[0]) {
        Reply(link, std::string(kInvalidHandle));
        return;
    }
    const std::string handle(words[0]);
    std::string name = NameForPeer({}, handle);
    for (auto call = calls_.rbegin(); call != calls_.rend(); ++call) {
        if (call->handle == handle && !call->displayName.empty()) {
            name = call->displayName;
            break;
        }
    }
    BridgeCall* call = NewCall(true, handle, std::move(name), CallStatus::kRouting);
    if (call == nullptr) {
        Reply(link, std::string(kNoCallId));
        return;
    }
    Notify(*call, "STATUS", "ROUTING");
    const CallId id = call->id;
    queue_.Plain("dial", handle, [this, id](bool ok, const std::string& data) {
        BridgeCall* dialled = Find(id);
        if (!ok && dialled != nullptr && IsLive(dialled->status)) {
            EndCall(*dialled, CallStatus::kFailed, FailureReasonFor(data));
            HistoryChanged();
        }
    });
}

void CallBridge::SetMute(bool muted) {
    if (muted_ != muted) {
        muted_ = muted;
        for (BridgeCall& call : calls_) {
            if (call.status == CallStatus::kInProgress || call.status == CallStatus::kLocalHold) {
                MuteCall(call, muted);
            }
        }
    }
    output_.notify(muted_ ? "MUTE ON" : "MUTE OFF");
}

// baresip's mute command turns the current call's mute over; the bridge keeps which are muted.
void CallBridge::MuteCall(BridgeCall& call, bool muted) {
    if (call.muted == muted || call.baresipId.empty()) {
        return;
    }
    call.muted = muted;
    queue_.OnCall(call.baresipId, "mute", {});
}

std::string CallBridge::CallsText(bool liveOnly) const {
    std::vector<const BridgeCall*> listed;
    for (const BridgeCall& call : calls_) {
        if (!liveOnly || IsLive(call.status)) {
            listed.push_back(&call);
        }
    }
    if (!liveOnly) {
        std::sort(listed.begin(), listed.end(),
                  [](const BridgeCall* a, const BridgeCall* b) { return NewerFirst(*a, *b); });
    }
    std::string text = "CALLS ";
    for (std::size_t i = 0; i < listed.size(); ++i) {
        text.append(i == 0 ? "" : ", ").append(std::to_string(listed[i]->id));
    }
    return text;
}

}  // namespace baresip
