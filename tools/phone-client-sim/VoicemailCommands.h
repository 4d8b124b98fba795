// The links' commands about voice messages, answered from a VoicemailModel as the softphone's
// desktop API answers them. Words are matched ignoring case and may be separated by any number of
// blanks ("Close voicemail 7", "GET VOICEMAIL 7  status"); the answers spell the properties in
// capitals.
//
//   search voicemails                    "VOICEMAILS 9, 7": the newest first by timestamp (of the
//                                        same second, the later arrival first); "VOICEMAILS " for
//                                        none
//   get voicemail <id> partner_dispname | timestamp | status
//                                        "VOICEMAIL <id> <PROPERTY> <value>"; an empty name ends
//                                        the text in the blank after the property
//   open voicemail <id>                  plays it, ending the one that plays
//   close voicemail <id>                 stops it while it plays
//
// A request that changes a message is answered by the notifications of the change, which every
// link gets; one that changes nothing (open of the playing one, close of one not playing) is
// answered "VOICEMAIL <id> STATUS <status>". The errors, to the link that asked:
//   ERROR 81 Invalid voicemail id   no id, one that is not a number above 0, or (open, close)
//                                   words after it
//   ERROR 82 Unknown voicemail      no message has the id (deleted ones included)
//   ERROR 83 Invalid voicemail PROP get of another property, or words after it
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/phone-client-sim/CommandHandler.h"
#include "tools/phone-client-sim/VoicemailModel.h"

namespace phone_client_sim {

class VoicemailCommands final : public CommandHandler {
  public:
    // `model` must outlive the handler.
    explicit VoicemailCommands(VoicemailModel& model) : model_(model) {}

    bool Handle(std::string_view command, std::vector<std::string>& replies) override;

  private:
    // `words`: what follows "get voicemail".
    void Get(std::span<const std::string_view> words, std::vector<std::string>& replies) const;
    // `words`: what follows "open voicemail" or "close voicemail".
    void Play(bool open, std::span<const std::string_view> words,
              std::vector<std::string>& replies);
    std::string ListText() const;

    VoicemailModel& model_;
};

}  // namespace phone_client_sim
