// The simulated softphone's calls: their life cycle as the far end, the softphone's user and the
// links move them, and the exact texts a real client notifies about them.
//
// Pure: no socket, no loop, no clock. Every change goes, in order, to the notification sink as
// the texts a client sends to every attached link ("CALL 12 STATUS RINGING"); whoever owns the
// model calls Tick() once a second while AnyTalking() (CallTicker does). The links' commands
// reach it through CallCommands, which answers the link that asked and leaves the changes to the
// sink. A change is complete before its first text goes out, so a sink that answers with a
// command at once (nested) finds the model in its new state.
//
// Status words, as the client writes them:
//   incoming:  RINGING, then INPROGRESS (SetInProgress: answered), REFUSED (SetFinished) or
//              MISSED (RemoteHangup)
//   outgoing:  ROUTING, RINGING (RemoteRing), then INPROGRESS (RemoteAnswer), REFUSED
//              (RemoteRefuse), BUSY (RemoteBusy), MISSED (RemoteHangup), CANCELLED (SetFinished)
//              or voice mail
//   voice mail, for an unanswered outgoing call, forward only: VM_BUFFERING_GREETING,
//              VM_PLAYING_GREETING, VM_RECORDING, VM_SENT (VoiceMail); SetFinished ends it as
//              VM_SENT while recording, as VM_CANCELLED before
//   answered:  SetOnHold notifies ONHOLD, then LOCALHOLD; RemoteHold REMOTEHOLD; a call held at
//              both ends reads LOCALHOLD; resuming (SetInProgress, RemoteResume) notifies the
//              status the other end leaves (INPROGRESS or the other hold); FINISHED (SetFinished,
//              RemoteHangup)
//   any live call: RemoteFail notifies FAILUREREASON <n>, then STATUS FAILED
// A request for the state a call is in already changes nothing (CallResult::Kind::kUnchanged).
//
// Conferences: JoinConference(a, b) puts a into b's conference, or makes one of b with b as its
// host, whose id names it. Every call of it gets "CALL <id> CONF_ID <conference>", the host
// "CALL <host> CONF_PARTICIPANTS_COUNT <n>": its live calls plus the user. The host is told the
// count again whenever it changes while the host is live. The participants are the live calls of
// the conference in the order they joined, the host first, numbered from 1.
//
// Ended calls stay known (SEARCH CALLS lists them, the newest first); their ids are never used
// again. The calls of the history the softphone had before (AddHistory) are known the same way:
// ended, never live, nothing notified. Every call has the time it started, in seconds since 1970
// UTC: a live call reads the wall clock its owner gives (0 without one), so that tests choose the
// time. A call is "seen" unless it is an incoming call that ended MISSED, until a link says it saw
// it ("set call <id> seen true", notified "SEEN TRUE").
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace phone_client_sim {

// A decimal number above 0, chosen by whoever starts the call: 0 means "no conference".
using CallId = std::uint32_t;

// A call id as texts write it: decimal digits only, above 0 and within CallId.
std::optional<CallId> ParseCallId(std::string_view word);

enum class CallType { kIncomingPstn, kOutgoingPstn, kIncomingP2p, kOutgoingP2p };

// What a call of the history was: taken or made by the user (FINISHED), or missed (MISSED).
enum class HistoryKind { kIncoming, kOutgoing, kMissed };

enum class CallStatus {
    // Live.
    kRouting,
    kRinging,
    kInProgress,
    kLocalHold,
    kRemoteHold,
    kVmBufferingGreeting,
    kVmPlayingGreeting,
    kVmRecording,
    // Ended.
    kFinished,
    kMissed,
    kRefused,
    kBusy,
    kCancelled,
    kFailed,
    kVmSent,
    kVmCancelled,
};

// The words the client writes: "INCOMING_P2P", "RINGING", "VM_SENT".
std::string_view ToString(CallType type);
std::string_view ToString(CallStatus status);
// The status a word names, compared exactly; nothing for any other word.
std::optional<CallStatus> StatusFromWord(std::string_view word);
bool IsLive(CallStatus status);
bool IsOutgoing(CallType type);
// A handle that starts with '+' or a digit is a telephone number: its calls are PSTN ones.
bool IsTelephoneNumber(std::string_view handle);

struct CallInfo {
    CallId id = 0;
    CallType type = CallType::kIncomingP2p;
    std::string handle;       // one word: a softphone name or a telephone number
    std::string displayName;  // may be empty
    CallStatus status = CallStatus::kRinging;
    bool heldByFarEnd = false;        // also while LOCALHOLD, which wins over it
    std::uint32_t duration = 0;       // seconds ticked since it was answered
    CallId conference = 0;            // the id of its conference; 0 none
    std::uint32_t failureReason = 0;  // 0 unless it failed
    std::int64_t timestamp = 0;       // when it started, in seconds since 1970 UTC
    bool seen = true;                 // false from an incoming call's MISSED on, until marked
    bool toldSeen = false;            // a link said "set call <id> seen true"
};

// One line for people: `12 INCOMING_P2P alice "Alice Smith" RINGING 0 s`, with ", held by the far
// end", ", conference 3" and ", unseen" when they apply.
std::string Describe(const CallInfo& call);
// "CALL <id> <property> <value>", the form of every text about a call.
std::string CallText(CallId id, std::string_view property, std::string_view value);

// What an event or a request came to.
struct CallResult {
    enum class Kind {
        kDone,         // changed, and notified
        kUnchanged,    // the call is in the state asked for already; nothing notified
        kUnknownCall,  // no call has the id
        kImpossible,   // not in the call's state, or a bad argument; nothing changed
    };
    Kind kind = Kind::kDone;
    // For people, when not Ok(): "no call 12", "call 12 (INCOMING_P2P, RINGING): the far end
    // answers only an outgoing call not answered yet".
    std::string why;

    bool Ok() const { return kind == Kind::kDone || kind == Kind::kUnchanged; }
};

class CallModel {
  public:
    using NotificationSink = std::function<void(const std::string& text)>;
    // Told `true` when a first call becomes answered and live, `false` when the last one ends,
    // before the texts of that change go to the sink.
    using TalkingObserver = std::function<void(bool talking)>;
    // The time now, in seconds since 1970 UTC.
    using WallClock = std::function<std::int64_t()>;

    // Without a clock, live calls start at 0.
    explicit CallModel(NotificationSink sink, WallClock clock = {});

    void SetTalkingObserver(TalkingObserver observer) { talkingObserver_ = std::move(observer); }

    // The far end and the softphone's own user. A new call needs an id no call has had and a
    // handle of one word; the display name may be empty.
    // A call from `handle` rings: "STATUS RINGING". `pstn`: from a telephone number.
    CallResult IncomingCall(CallId id, std::string handle, std::string displayName, bool pstn);
    // The user calls `handle` from the softphone: "STATUS ROUTING".
    CallResult OutgoingCall(CallId id, std::string handle, std::string displayName, bool pstn);
    // A call of the history, ended before: INCOMING_ FINISHED, OUTGOING_ FINISHED or INCOMING_
    // MISSED (unseen), P2P or PSTN as the handle says. Nothing is notified.
    CallResult AddHistory(CallId id, HistoryKind kind, std::string handle, std::int64_t timestamp,
                          std::string displayName);
    // An outgoing call that routes rings at the far end: "STATUS RINGING".
    CallResult RemoteRing(CallId id);
    // An unanswered outgoing call is answered, refused or busy.
    CallResult RemoteAnswer(CallId id);
    CallResult RemoteRefuse(CallId id);
    CallResult RemoteBusy(CallId id);
    // An answered call is held, or resumed, by the far end.
    CallResult RemoteHold(CallId id);
    CallResult RemoteResume(CallId id);
    // The far end hangs up: MISSED when the call was not answered, FINISHED when it was.
    CallResult RemoteHangup(CallId id);
    // A live call fails for `reason` (a number above 0).
    CallResult RemoteFail(CallId id, std::uint32_t reason);
    // An unanswered outgoing call moves on to the voice-mail state `state` (one of the four
    // VM_ ones, never back).
    CallResult VoiceMail(CallId id, CallStatus state);

    // The links' requests, "set call <id> status inprogress | onhold | finished": answer an
    // incoming call that rings, or resume one held here; hold; hang up (REFUSED for an incoming
    // call that rings, CANCELLED for an outgoing one not answered, FINISHED once answered).
    CallResult SetInProgress(CallId id);
    CallResult SetOnHold(CallId id);
    CallResult SetFinished(CallId id);
    // "set call <id> join_conference <other>": both live, neither in voice mail nor an incoming
    // call that rings, `id` in no conference yet.
    CallResult JoinConference(CallId id, CallId other);
    // "set call <id> seen true | false": any call, ended ones too; "SEEN TRUE" or "SEEN FALSE"
    // when that changes it. `true` is remembered as the link telling (toldSeen) either way.
    CallResult SetSeen(CallId id, bool seen);

    // The softphone ends: every live call is hung up as SetFinished does, in order of arrival.
    void HangUpAll();
    // One second passes: each call that is answered and live (held ones too, as a phone call's
    // duration runs on) counts it and is notified "DURATION <seconds>".
    void Tick();

    // Whether a call is answered and live, so that Tick has something to count.
    bool AnyTalking() const;
    std::optional<CallInfo> Find(CallId id) const;
    // Every call known, ended ones too, in order of arrival.
    const std::vector<CallInfo>& Calls() const { return calls_; }
    // The same, the newest first by timestamp; of the same second, the later arrival first.
    std::vector<CallInfo> NewestFirst() const;
    // One above the highest id any call has had; nothing when that is beyond CallId.
    std::optional<CallId> FreshId() const;
    // The live calls of `id`'s conference in the order they joined, the host first; empty when
    // `id` is in none.
    std::vector<CallInfo> Participants(CallId id) const;

  private:
    using Texts = std::vector<std::string>;
    // Why a step was not taken; nothing when it was.
    using Refusal = std::optional<std::string>;
    // Changes a call, adding the texts of the change, or refuses without changing anything.
    using Step = std::function<Refusal(CallInfo& call, Texts& texts)>;

    CallInfo* Call(CallId id);
    // Adds a call that no other has the id of; a live one gets the time now and is notified.
    CallResult NewCall(CallInfo call);
    // Takes `step` on call `id` and publishes what it did.
    CallResult Change(CallId id, const Step& step);
    CallResult EndUnansweredOutgoing(CallId id, CallStatus status);
    bool HasStatus(CallId id, CallStatus status) const;
    void End(CallInfo& call, CallStatus status, Texts& texts);
    void MoveTo(CallInfo& call, CallStatus status, Texts& texts);
    CallResult Publish(Texts texts);
    std::string CountText(CallId host) const;

    NotificationSink sink_;
    WallClock clock_;
    TalkingObserver talkingObserver_;
    bool talking_ = false;
    std::vector<CallInfo> calls_;
    std::map<CallId, std::vector<CallId>> conferences_;  // by id: its calls as they joined
};

}  // namespace phone_client_sim
