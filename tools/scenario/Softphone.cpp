// The run's softphone: attach answers, notifications and the command log.
#include "tools/scenario/Softphone.h"

namespace scenario {

bool Softphone::Attach(int status) {
    if (client_) {
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
