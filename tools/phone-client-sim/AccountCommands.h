// The commands every link sends on attaching: the protocol version, the user status and the
// profile's balance.
#pragma once

#include <string>

#include "tools/phone-client-sim/CommandHandler.h"

namespace phone_client_sim {

class AccountCommands final : public CommandHandler {
  public:
    // The highest protocol version the simulated softphone speaks.
    static constexpr int kProtocol = 5;

    // "protocol N" answers "PROTOCOL " and the lower of N and kProtocol; "get userstatus"
    // answers "USERSTATUS " and the status; "get profile pstn_balance" answers
    // "PROFILE PSTN_BALANCE 0".
    bool Handle(std::string_view command, std::vector<std::string>& replies) override;

    void SetUserStatus(std::string status) { userStatus_ = std::move(status); }

  private:
    std::string userStatus_ = "ONLINE";
};

}  // namespace phone_client_sim
