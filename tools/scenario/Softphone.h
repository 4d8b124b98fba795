// The softphone side of a run: a phone-client simulator listening on the run's client socket,
// made afresh for every attach, with one log of the commands every one of them received.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/loop/MessageLoop.h"
#include "tools/phone-client-sim/PhoneClientSim.h"

namespace scenario {

class Softphone {
  public:
    Softphone(platform::MessageLoop& loop, std::filesystem::path socketPath)
        : loop_(loop), socketPath_(std::move(socketPath)) {}

    // A softphone just started (new identity, logged in) that answers every discovery with
    // `status`. The one before, if any, ends first: its links see their end of stream. False
    // when the socket cannot be had.
    bool Attach(int status);
    bool IsListening() const { return client_ != nullptr; }
    // Sends the notification to every attached link; returns how many got it.
    std::size_t Say(std::string_view text);
    // Tells every attached link "CONNSTATUS LOGGEDOUT" and answers "not available" from then
    // on, until the next Attach. False when no softphone listens.
    bool Logout();
    std::size_t AttachedLinks() const { return client_ ? client_->AttachedCount() : 0; }

    // Every command received since the run began, in order, across softphone restarts.
    std::vector<std::string> Commands() const;

  private:
    platform::MessageLoop& loop_;
    const std::filesystem::path socketPath_;
    std::unique_ptr<phone_client_sim::PhoneClientSim> client_;
    std::vector<std::string> earlierCommands_;  // received by the softphones before this one
};

}  // namespace scenario
