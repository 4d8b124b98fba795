// The softphone side of a run: a phone-client simulator listening on the run's client socket,
// made afresh for every attach, with one log of the commands every one of them received, and one
// model of the calls and one of the voice messages, which its links' commands reach.
//
// The calls belong to the softphone's user, not to one start of it: when a softphone ends (the
// next attach) or logs out, it hangs up its live calls first, so that its links hear them end,
// and the ended calls stay known to the next one, as a softphone's call history does. Ids are
// therefore never used twice in a run. So with the voice messages: the one that plays stops
// (PLAYED) when its softphone ends or logs out, and all of them stay.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/loop/MessageLoop.h"
#include "tools/phone-client-sim/CallModel.h"
#include "tools/phone-client-sim/CallTicker.h"
#include "tools/phone-client-sim/PhoneClientSim.h"
#include "tools/phone-client-sim/VoicemailModel.h"
#include "tools/phone-client-sim/VoicemailTicker.h"

namespace scenario {

class Softphone {
  public:
    Softphone(platform::MessageLoop& loop, std::filesystem::path socketPath);
    Softphone(const Softphone&) = delete;
    Softphone& operator=(const Softphone&) = delete;

    // A softphone just started (new identity, logged in) that answers every discovery with
    // `status`. The one before, if any, ends first: its links see their end of stream. False
    // when the socket cannot be had.
    bool Attach(int status);
    bool IsListening() const { return client_ != nullptr; }
    // Sends the notification to every attached link; returns how many got it.
    std::size_t Say(std::string_view text);
    // Hangs up the live calls, then tells every attached link "CONNSTATUS LOGGEDOUT" and
    // answers "not available" from then on, until the next Attach. False when no softphone
    // listens.
    bool Logout();
    std::size_t AttachedLinks() const { return client_ ? client_->AttachedCount() : 0; }

    // Every command received since the run began, in order, across softphone restarts.
    std::vector<std::string> Commands() const;

    // The calls: the far end's events go to it; what it notifies reaches the attached links.
    phone_client_sim::CallModel& Calls() { return calls_; }
    const phone_client_sim::CallModel& Calls() const { return calls_; }
    // The voice messages, the same way.
    phone_client_sim::VoicemailModel& Voicemails() { return voicemails_; }
    const phone_client_sim::VoicemailModel& Voicemails() const { return voicemails_; }

  private:
    platform::MessageLoop& loop_;
    const std::filesystem::path socketPath_;
    // Before the client, whose call handler uses them, so that they outlive it.
    phone_client_sim::CallModel calls_;
    phone_client_sim::CallTicker ticker_;
    phone_client_sim::VoicemailModel voicemails_;
    phone_client_sim::VoicemailTicker voicemailTicker_;
    std::unique_ptr<phone_client_sim::PhoneClientSim> client_;
    std::vector<std::string> earlierCommands_;  // received by the softphones before this one
};

}  // namespace scenario
