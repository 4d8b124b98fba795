// The simulated softphone: attach answers, command answers, notifications and the command log.
#include "tools/phone-client-sim/PhoneClientSim.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <utility>

namespace phone_client_sim {
namespace {

constexpr std::string_view kLoggedOut = "CONNSTATUS LOGGEDOUT";

// Different at every start, so that a link can tell a restarted client from the one it knew.
std::string NewIdentity() {
    std::random_device random;
    const std::uint64_t value = (static_cast<std::uint64_t>(random()) << 32) ^ random();
    char text[32];
    std::snprintf(text, sizeof text, "sim-%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::string Tag(std::uint64_t id) {
    std::string tag = "[";  // built up: GCC 12 at -O3 misreads "x" + std::to_string(...)
    tag.append(std::to_string(id)).append("] ");
    return tag;
}

}  // namespace

PhoneClientSim::PhoneClientSim(platform::MessageLoop& loop, Options options)
    : Window(loop), options_(std::move(options)) {
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
    const std::filesystem::path path = SocketPath();
    if (path.empty()) {
        return false;
    }
    listener_ = platform::ClientListener::Listen(path, options_.linkUid);
    if (!listener_) {
        return false;
    }
    identity_ = NewIdentity();
    loggedOut_ = false;
    listenerWatch_ = Loop().Watch(listener_->Fd(), [this] { AcceptLinks(); });
    Report("listening on " + path.native() + " as " + identity_);
    return true;
}

void PhoneClientSim::Stop() {
    if (!IsRunning()) {
        return;
    }
    KillTimer(kGrantTimer);
    links_.clear();
    Loop().Unwatch(listenerWatch_);
    listener_.reset();
    Report("stopped");
}

bool PhoneClientSim::Restart() {
    Stop();
    return Start();
}

void PhoneClientSim::AcceptLinks() {
    while (IsRunning()) {
        std::optional<platform::FrameStream> stream = listener_->Accept();
        if (!stream) {
            return;
        }
        const std::uint64_t id = ++lastLinkId_;
        if (links_.size() >= kMaxLinks) {
            Report(Tag(id) + "refused: too many links");
            continue;
        }
        Answer(id, std::move(*stream));
    }
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

void PhoneClientSim::Answer(std::uint64_t id, platform::FrameStream stream) {
    const int status = StatusForNewLink();
    auto connection = platform::ClientConnection::Serve(
        Loop(), std::move(stream), [this, id](const std::string& frame) { OnCommand(id, frame); },
        [this, id](platform::ClientConnection::CloseReason) {
            links_.erase(id);
            Report(Tag(id) + "gone");
        });
    const std::string answer = platform::FormatAttachAnswer({status, identity_});
    connection->Send(answer);
    Report(Tag(id) + answer);
    if (status != platform::kAttachSuccess && status != platform::kAttachPendingAuthorization) {
        return;  // refused or unavailable: the connection closes here
    }
    links_[id] = Link{std::move(connection), status == platform::kAttachSuccess};
    if (status == platform::kAttachPendingAuthorization && options_.pendingTime.count() > 0 &&
        std::none_of(links_.begin(), links_.end(), [id](const auto& entry) {
            return entry.first != id && !entry.second.attached;
        })) {
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
    const std::string answer = platform::FormatAttachAnswer({platform::kAttachSuccess, identity_});
    for (auto& [id, link] : links_) {
        if (!link.attached) {
            link.attached = true;
            Send(id, link, answer);
        }
    }
}

void PhoneClientSim::Logout() {
    for (auto& [id, link] : links_) {
        if (link.attached) {
            Send(id, link, kLoggedOut);
        }
    }
    loggedOut_ = true;
}

std::size_t PhoneClientSim::Notify(std::string_view text) {
    std::size_t reached = 0;
    for (auto& [id, link] : links_) {
        if (link.attached && Send(id, link, text)) {
            ++reached;
        }
    }
    return reached;
}

std::size_t PhoneClientSim::NotifyRaw(std::string_view bytes) {
    std::size_t most = 0;
    for (auto& [id, link] : links_) {
        if (link.attached) {
            most = std::max(most, link.connection->SendRaw(bytes));
        }
    }
    return most;
}

std::size_t PhoneClientSim::AttachedCount() const {
    return static_cast<std::size_t>(std::count_if(
        links_.begin(), links_.end(), [](const auto& entry) { return entry.second.attached; }));
}

void PhoneClientSim::AddCommandHandler(std::unique_ptr<CommandHandler> handler) {
    handlers_.push_back(std::move(handler));
}

void PhoneClientSim::OnCommand(std::uint64_t id, const std::string& command) {
    auto link = links_.find(id);
    if (link == links_.end()) {
        return;
    }
    if (!link->second.attached) {
        Report(Tag(id) + "ignored before attaching: " + command);
        return;
    }
    {
        std::lock_guard lock(logMutex_);
        received_.push_back(command);
    }
    Report(Tag(id) + "<- " + command);
    std::vector<std::string> replies;
    for (const auto& handler : handlers_) {
        if (handler->Handle(command, replies)) {
            break;
        }
    }
    for (const std::string& reply : replies) {
        Send(id, link->second, reply);
    }
}

bool PhoneClientSim::Send(std::uint64_t id, Link& link, std::string_view text) {
    if (!link.connection->Send(text)) {
        Report(Tag(id) + "not sent: " + std::string(text.substr(0, 80)));
        return false;
    }
    Report(Tag(id) + "-> " + std::string(text));
    return true;
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
