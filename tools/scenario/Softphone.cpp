// The run's softphone: attach answers, notifications, the command log, the calls and the voice
// messages.
#include "tools/scenario/Softphone.h"

#include "tools/phone-client-sim/CallCommands.h"
#include "tools/phone-client-sim/VoicemailCommands.h"
#include "tools/phone-client-sim/WallClock.h"

namespace scenario {

Softphone::Softphone(platform::MessageLoop& loop, std::filesystem::path socketPath)
    : loop_(loop),
      socketPath_(std::move(socketPath)),
      calls_([this](const std::string& text) { Say(text); }, phone_client_sim::SecondsSince1970),
      ticker_(loop, calls_),
      voicemails_([this](const std::string& text) { Say(text); }),
      voicemailTicker_(loop, voicemails_) {}

bool Softphone::Attach(int status) {
    if (client_) {
        calls_.HangUpAll();
        voicemails_.StopPlaying();
        const std::vector<std::string> commands = client_->ReceivedCommands();
        earlierCommands_.insert(earlierCommands_.end(), commands.begin(), commands.end());
        client_.reset();
    }
    phone_client_sim::Options options;
    options.socketPath = socketPath_;
    options.attachStatus = status;
    auto client = std::make_unique<phone_client_sim::PhoneClientSim>(loop_, options);
    if (!client->Start()) {
        return false;
    }
    client->AddCommandHandler(std::make_unique<phone_client_sim::CallCommands>(calls_));
    client->AddCommandHandler(std::make_unique<phone_client_sim::VoicemailCommands>(voicemails_));
    client_ = std::move(client);
    return true;
}

std::size_t Softphone::Say(std::string_view text) {
    return client_ ? client_->Notify(text) : 0;
}

bool Softphone::Logout() {
    if (!client_) {
        return false;
    }
    calls_.HangUpAll();
    voicemails_.StopPlaying();
    client_->Logout();
    return true;
}

std::vector<std::string> Softphone::Commands() const {
    std::vector<std::string> commands = earlierCommands_;
    if (client_) {
        const std::vector<std::string> current = client_->ReceivedCommands();
        commands.insert(commands.end(), current.begin(), current.end());
    }
    return commands;
}

}  // namespace scenario
