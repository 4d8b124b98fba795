// Serving the links that connect to the client socket: attach answers, commands, replies and
// notifications.
#include "platform/clientlink/ClientServer.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <utility>
#include <vector>

namespace platform {
namespace {

constexpr std::size_t kRandomDigits = 16;
// What a frame the report quotes is cut to: a line for people, not a dump.
constexpr std::size_t kReportedBytes = 80;

bool IsIdentityChar(char c) {
    return IsValidIdentity(std::string_view(&c, 1));
}

}  // namespace

std::string NewClientIdentity(std::string_view prefix) {
    // A link tells a restarted client from the one it knew by the identity alone, so it must
    // differ at every start, even within the same second or process id.
    std::random_device random;
    const std::uint64_t value = (static_cast<std::uint64_t>(random()) << 32) ^ random();
    char digits[kRandomDigits + 1];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(value));

    std::string identity(prefix.substr(0, kMaxIdentityBytes - kRandomDigits - 1));
    std::replace_if(
        identity.begin(), identity.end(), [](char c) { return !IsIdentityChar(c); }, '_');
    return identity.append("-").append(digits);
}

ClientServer::ClientServer(MessageLoop& loop, Handlers handlers)
    : loop_(loop), handlers_(std::move(handlers)) {}

ClientServer::~ClientServer() {
    Stop();
}

bool ClientServer::Start(const std::filesystem::path& socketPath, std::uint32_t linkUid,
                         std::string identity) {
    if (IsRunning() || socketPath.empty() || !IsValidIdentity(identity)) {
        return false;
    }
    listener_ = ClientListener::Listen(socketPath, linkUid);
    if (!listener_) {
        return false;
    }
    identity_ = std::move(identity);
    listenerWatch_ = loop_.Watch(listener_->Fd(), [this] { AcceptLinks(); });
    Report("listening on " + socketPath.native() + " as " + identity_);
    return true;
}

void ClientServer::Stop() {
    if (!IsRunning()) {
        return;
    }
    // Dropping a connection closes it without its close handler: no "gone" for these.
    links_.clear();
    loop_.Unwatch(listenerWatch_);
    listener_.reset();
    Report("stopped");
}

void ClientServer::AcceptLinks() {
    while (IsRunning()) {
        std::optional<FrameStream> stream = listener_->Accept();
        if (!stream) {
            return;
        }
        const LinkId id = ++lastLinkId_;
        if (links_.size() >= kMaxLinks) {
            Report(id, "refused: too many links");
            continue;  // the stream closes here
        }
        Answer(id, std::move(*stream));
    }
}

void ClientServer::Answer(LinkId id, FrameStream stream) {
    const int status = handlers_.statusForNewLink ? handlers_.statusForNewLink() : kAttachSuccess;
    const std::string answer = FormatAttachAnswer({status, identity_});
    if (answer.empty()) {
        Report(id, "refused: no attach answer has the status " + std::to_string(status));
        return;
    }
    auto connection = ClientConnection::Serve(
        loop_, std::move(stream), [this, id](const std::string& frame) { OnFrame(id, frame); },
        [this, id](ClientConnection::CloseReason) { OnClosed(id); });
    connection->Send(answer);
    Report(id, answer);
    if (!IsRunning() || (status != kAttachSuccess && status != kAttachPendingAuthorization)) {
        return;  // refused, unavailable or reserved: the connection closes here
    }
    const bool pending = status == kAttachPendingAuthorization;
    links_[id] = Link{std::move(connection), !pending};
    if (pending && handlers_.onPending) {
        handlers_.onPending(id);
    }
}

void ClientServer::OnFrame(LinkId id, const std::string& frame) {
    auto link = links_.find(id);
    if (link == links_.end()) {
        return;
    }
    if (!link->second.attached) {
        // Until its success answer a link has nothing to say; the protocol lets us ignore it.
        Report(id, "ignored before attaching: " + frame);
        return;
    }
    Report(id, "<- " + frame);
    if (handlers_.onCommand) {
        handlers_.onCommand(id, frame);
    }
}

void ClientServer::OnClosed(LinkId id) {
    links_.erase(id);
    Report(id, "gone");
}

void ClientServer::AttachPending() {
    const std::string answer = FormatAttachAnswer({kAttachSuccess, identity_});
    for (const LinkId id : Ids()) {
        auto link = links_.find(id);
        if (link != links_.end() && !link->second.attached) {
            link->second.attached = true;
            Send(id, link->second, answer);
        }
    }
}

std::size_t ClientServer::Notify(std::string_view text) {
    std::size_t reached = 0;
    for (const LinkId id : Ids()) {
        if (Reply(id, text)) {
            ++reached;
        }
    }
    return reached;
}

std::size_t ClientServer::NotifyRaw(std::string_view bytes) {
    std::size_t most = 0;
    for (auto& [id, link] : links_) {
        if (link.attached) {
            most = std::max(most, link.connection->SendRaw(bytes));
        }
    }
    return most;
}

bool ClientServer::Reply(LinkId id, std::string_view text) {
    auto link = links_.find(id);
    // A pending link may hear nothing but its next attach answer.
    return link != links_.end() && link->second.attached && Send(id, link->second, text);
}

std::size_t ClientServer::AttachedCount() const {
    return static_cast<std::size_t>(std::count_if(
        links_.begin(), links_.end(), [](const auto& entry) { return entry.second.attached; }));
}

std::size_t ClientServer::PendingCount() const {
    return links_.size() - AttachedCount();
}

std::vector<ClientServer::LinkId> ClientServer::Ids() const {
    // Sending reports, and whoever reads the report may stop the server under our feet: the
    // links are looked up again one by one.
    std::vector<LinkId> ids;
    ids.reserve(links_.size());
    for (const auto& entry : links_) {
        ids.push_back(entry.first);
    }
    return ids;
}

bool ClientServer::Send(LinkId id, Link& link, std::string_view text) {
    if (!link.connection->Send(text)) {
        // The connection closes on the loop's next turn, and the link is gone then.
        Report(id, "not sent: " + std::string(text.substr(0, kReportedBytes)));
        return false;
    }
    Report(id, "-> " + std::string(text));
    return true;
}

void ClientServer::Report(LinkId id, std::string_view what) const {
    if (handlers_.report) {
        std::string line = "[";  // built up: GCC 12 at -O3 misreads "x" + std::to_string(...)
        line.append(std::to_string(id)).append("] ").append(what);
        handlers_.report(line);
    }
}

void ClientServer::Report(const std::string& line) const {
    if (handlers_.report) {
        handlers_.report(line);
    }
}

}  // namespace platform
