// The bridge's logic: baresip's events become the softphone notifications the system reads, and
// the system's commands become baresip commands or are answered from the bridge's own table.
//
// Pure: no socket, no clock of its own. Whoever owns it feeds it baresip's messages and the
// links' commands, and hands its output on (BridgeOutput). docs/baresip-bridge.md has the whole
// mapping as a table.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/baresip/BaresipMessage.h"
#include "bridge/baresip/BridgeCall.h"
#include "bridge/baresip/CommandQueue.h"

namespace baresip {

using LinkId = std::uint64_t;

struct BridgeOutput {
    // A ctrl_tcp command, as JSON, to baresip.
    std::function<void(const std::string& payload)> toBaresip;
    // A notification to every attached link.
    std::function<void(const std::string& text)> notify;
    // An answer to the link that asked.
    std::function<void(LinkId link, const std::string& text)> reply;
    // The ended calls changed (one ended, or was marked seen): the history is to be written.
    std::function<void(const std::vector<BridgeCall>& calls)> historyChanged;
    // The time now, in seconds since 1970 UTC.
    std::function<std::int64_t()> now;
};

class CallBridge {
  public:
    // `history`: the ended calls from before; new calls get ids above theirs.
    CallBridge(BridgeOutput output, std::vector<BridgeCall> history);

    // The control connection to baresip is up: its user agent takes calls.
    void OnBaresipUp();
    // baresip went away: its live calls are over, and the system is told so (each ended as the
    // far end ending it would end it, into the history); the commands waiting for it fail.
    void OnBaresipDown();
    void OnBaresipMessage(std::string_view payload);
    void OnLinkCommand(LinkId link, std::string_view command);

    // Every call known, the history's first, in order of arrival.
    const std::vector<BridgeCall>& Calls() const { return calls_; }

  private:
    using Words = std::span<const std::string_view>;

    void OnCallEvent(const BaresipEvent& event);
    void OnRegisterEvent(const BaresipEvent& event);
    BridgeCall* CallForEvent(const BaresipEvent& event);
    BridgeCall* NewCall(bool outgoing, std::string handle, std::string name, CallStatus status);
    void Established(BridgeCall& call);
    void Closed(BridgeCall& call, std::string_view reason);
    void EndCall(BridgeCall& call, CallStatus status, std::uint32_t failureReason);
    void MoveTo(BridgeCall& call, CallStatus status);
    void SetUserStatus(std::string_view status);

    void GetCall(LinkId link, Words words);
    void SetCall(LinkId link, Words words);
    void SetStatus(LinkId link, BridgeCall& call, std::string_view status);
    void SetSeen(LinkId link, BridgeCall& call, bool seen);
    void Dial(LinkId link, Words words);
    void HangUp(BridgeCall& call);
    void SetMute(bool muted);
    void MuteCall(BridgeCall& call, bool muted);
    std::string CallsText(bool liveOnly) const;
    bool AccountCommand(LinkId link, Words words);
    bool VoicemailCommand(LinkId link, Words words);

    BridgeCall* Find(CallId id);
    BridgeCall* FindByBaresipId(std::string_view baresipId);
    void Notify(const BridgeCall& call, std::string_view property, std::string_view value);
    void Reply(LinkId link, std::string text);
    void HistoryChanged();
    std::int64_t Now() const;

    BridgeOutput output_;
    CommandQueue queue_;
    std::vector<BridgeCall> calls_;
    std::optional<CallId> nextId_ = 1;  // nothing once the last id has been given
    std::string userStatus_ = "OFFLINE";
    bool muted_ = false;
};

// The desktop API's failure reason for a call that baresip closed with `reason`, a SIP status
// line ("404 Not Found") or a system error text ("Connection timed out").
std::uint32_t FailureReasonFor(std::string_view reason);

}  // namespace baresip
