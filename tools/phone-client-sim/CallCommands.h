// The links' commands about calls, answered from a CallModel as the softphone's desktop API
// answers them. Words are matched ignoring case and may be separated by any number of blanks
// ("GET CALL 12  PARTNER_DISPNAME"); the answers spell the properties in capitals.
//
//   get call <id> partner_handle | partner_dispname | type | status | duration | failurereason
//                 | conf_id | conf_participants_count | seen | timestamp
//                                        "CALL <id> <PROPERTY> <value>"; SEEN is TRUE or FALSE,
//                                        TIMESTAMP the start in seconds since 1970 UTC
//   get call <id> conf_participant <n>   "CALL <id> CONF_PARTICIPANT <n> <handle> <type>
//                                        <status> <name>", n from 1 to the count minus 1
//   set call <id> status inprogress | onhold | finished
//   set call <id> join_conference <other>
//   set call <id> seen true | false      any call; "CALL <id> SEEN TRUE" to every link
//   call <handle>        a call from the PC, as call-out plays it, with the id above the highest
//                        any call has had and the display name of the handle's newest call
//   search activecalls   "CALLS 12, 13": the live calls in order of arrival ("CALLS " for none)
//   search calls         every call known, ended ones too, the newest first by timestamp (of the
//                        same second, the later arrival first)
//
// A request that changes a call (a call placed too) is answered by the notifications of the change,
// which every link gets; one for the state the call is in already is answered with that state,
// "CALL <id> STATUS <status>" or "CALL <id> SEEN TRUE". The errors, to the link that asked:
//   get call: ERROR 11 Invalid call id (not a number above 0), ERROR 12 Unknown call, ERROR 13
//             Invalid PROP, ERROR 71 Invalid conference participant NO
//   set call: ERROR 19 Invalid call id, ERROR 20 Unknown call, ERROR 21 Unknown/disallowed call
//             prop (another property or status value), and when the call's state does not allow
//             the request: ERROR 22 Cannot hold this call at the moment (onhold), ERROR 23
//             Cannot resume this call at the moment (inprogress), ERROR 24 Cannot hangup
//             inactive call (finished), ERROR 72 Cannot create conference (join_conference)
//   call:     ERROR 4 Empty target not allowed (no handle), ERROR 34 Invalid user handle (more
//             than one word), ERROR 35 No call id left (a call has had the highest id)
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/phone-client-sim/CallModel.h"
#include "tools/phone-client-sim/CommandHandler.h"

namespace phone_client_sim {

class CallCommands final : public CommandHandler {
  public:
    // `model` must outlive the handler.
    explicit CallCommands(CallModel& model) : model_(model) {}

    bool Handle(std::string_view command, std::vector<std::string>& replies) override;

  private:
    // `words`: what follows "get call" or "set call".
    void Get(std::span<const std::string_view> words, std::vector<std::string>& replies) const;
    void Set(std::span<const std::string_view> words, std::vector<std::string>& replies);
    // `words`: what follows "call".
    void Dial(std::span<const std::string_view> words, std::vector<std::string>& replies);
    std::string CallsText(bool liveOnly) const;

    CallModel& model_;
};

}  // namespace phone_client_sim
