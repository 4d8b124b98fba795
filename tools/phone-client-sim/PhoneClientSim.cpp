// The simulated softphone: what it answers, logout, the user's grant and the command log; the
// links themselves are platform::ClientServer's.
#include "tools/phone-client-sim/PhoneClientSim.h"

#include <utility>

namespace phone_client_sim {
namespace {

constexpr std::string_view kLoggedOut = "CONNSTATUS LOGGEDOUT";
constexpr std::string_view kIdentityPrefix = "sim";

}  // namespace

PhoneClientSim::PhoneClientSim(platform::MessageLoop& loop, Options options)
    : Window(loop),
      options_(std::move(options)),
      server_(loop,
              {
                  .onCommand = [this](platform::ClientServer::LinkId link,
                                      const std::string& command) { OnCommand(link, command); },
                  .statusForNewLink = [this] { return StatusForNewLink(); },
                  .report = [this](const std::string& line) { Report(line); },
                  .onPending = [this](platform::ClientServer::LinkId) { OnPending(); },
              }) {
    Show(false);
    auto account = std::make_unique<AccountCommands>();
    account_ = account.get();
    handlers_.push_back(std::move(account));
}

PhoneClientSim::~PhoneClientSim() {
    Stop();
}

std::filesystem::path PhoneClientSim::SocketPath() const {
    return options_.socketPath.empty() ? platform::ClientSocketPath() : options_.socketPath;
}

bool PhoneClientSim::Start() {
    if (IsRunning()) {
        return true;
    }
    if (!server_.Start(SocketPath(), options_.linkUid,
                       platform::NewClientIdentity(kIdentityPrefix))) {
        return false;
    }
    loggedOut_ = false;
    return true;
}

void PhoneClientSim::Stop() {
    KillTimer(kGrantTimer);
    server_.Stop();
}

bool PhoneClientSim::Restart() {
    Stop();
    return Start();
}

int PhoneClientSim::StatusForNewLink() const {
    if (loggedOut_) {
        return platform::kAttachNotAvailable;
    }
    if (options_.attachStatus == platform::kAttachPendingAuthorization && granted_) {
        return platform::kAttachSuccess;
    }
    return options_.attachStatus;
}

void PhoneClientSim::OnPending() {
    // The user is asked once for all the links waiting: the time runs from the first of them.
    if (options_.pendingTime.count() > 0 && server_.PendingCount() == 1) {
        SetTimer(kGrantTimer, options_.pendingTime);
    }
}

void PhoneClientSim::OnTimer(platform::TimerId id) {
    if (id == kGrantTimer) {
        Grant();
    }
}

void PhoneClientSim::Grant() {
    KillTimer(kGrantTimer);
    granted_ = true;
    server_.AttachPending();
}

void PhoneClientSim::Logout() {
    server_.Notify(kLoggedOut);
    loggedOut_ = true;
}

std::size_t PhoneClientSim::Notify(std::string_view text) {
    return server_.Notify(text);
}

std::size_t PhoneClientSim::NotifyRaw(std::string_view bytes) {
    return server_.NotifyRaw(bytes);
}

void PhoneClientSim::AddCommandHandler(std::unique_ptr<CommandHandler> handler) {
    handlers_.push_back(std::move(handler));
}

void PhoneClientSim::OnCommand(platform::ClientServer::LinkId link, const std::string& command) {
    {
        std::lock_guard lock(logMutex_);
        received_.push_back(command);
    }
    std::vector<std::string> replies;
    for (const auto& handler : handlers_) {
        if (handler->Handle(command, replies)) {
            break;
        }
    }
    for (const std::string& reply : replies) {
        server_.Reply(link, reply);
    }
}

std::vector<std::string> PhoneClientSim::ReceivedCommands() const {
    std::lock_guard lock(logMutex_);
    return received_;
}

void PhoneClientSim::Report(const std::string& line) const {
    if (observer_) {
        observer_(line);
    }
}

}  // namespace phone_client_sim
