// The client side of the softphone transport, served on the message loop: it listens on the
// client socket, answers every link that connects with an attach answer and an identity, keeps
// the attached and the pending links, hands the attached links' commands over, and sends replies
// to one link and notifications to all attached ones (docs/client-protocol.md).
//
// Both the softphone simulator and a bridge to a real softphone are such a client; what they say
// is theirs, how it travels is this.
//
// Loop thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clientlink/ClientConnection.h"
#include "platform/clientlink/ClientProtocol.h"
#include "platform/clientlink/ClientSocket.h"
#include "platform/loop/MessageLoop.h"

namespace platform {

// Creates a fresh identity for a client start: "<prefix>-<16 random hex digits>", valid per
// IsValidIdentity. Characters of `prefix` an identity cannot hold become '_', and a prefix too
// long to leave room for the digits is cut.
std::string NewClientIdentity(std::string_view prefix);

class ClientServer {
  public:
    // Numbers the links from 1 in the order they connect, never reused for the server's life,
    // across restarts too.
    using LinkId = std::uint64_t;
    // Links kept at once (attached or pending); one beyond them is closed unanswered.
    static constexpr std::size_t kMaxLinks = 16;

    struct Handlers {
        // A command from an attached link (never from a pending one), in arrival order.
        std::function<void(LinkId link, const std::string& command)> onCommand;
        // The attach status a new link gets (platform::AttachStatus values or any number 0..999);
        // empty: always kAttachSuccess. A status out of that range closes the link unanswered.
        std::function<int()> statusForNewLink;
        // One line per event for people ("[3] ATTACH 0 sim-...", "[3] <- get call 12 status",
        // "[3] gone"); may be empty.
        std::function<void(const std::string& line)> report;
        // A link was answered "pending authorisation" and is kept; may be empty.
        std::function<void(LinkId link)> onPending;
    };

    // `loop` must outlive the server. The handlers run on the loop thread (`report` from Start
    // and Stop as well) and may call any member, Stop included.
    ClientServer(MessageLoop& loop, Handlers handlers);
    ~ClientServer();  // Stop()
    ClientServer(const ClientServer&) = delete;
    ClientServer& operator=(const ClientServer&) = delete;

    // Listens at `socketPath` answering every link with `identity`; false when the socket cannot
    // be had, the identity is not valid, or the server runs already.
    bool Start(const std::filesystem::path& socketPath, std::uint32_t linkUid,
               std::string identity);
    // Every link sees its end of stream, the socket file goes.
    void Stop();
    bool IsRunning() const { return listener_ != nullptr; }
    // The identity of the last successful Start; it stays after Stop.
    const std::string& Identity() const { return identity_; }

    // Success to every pending link, which is attached from then on (the simulator's Grant).
    void AttachPending();
    // `text` to every attached link; how many got it.
    std::size_t Notify(std::string_view text);
    // `bytes` as they are (no terminator, no checks) to every attached link, playing a client
    // that breaks the rules; the most bytes one link took.
    std::size_t NotifyRaw(std::string_view bytes);
    // `text` to one attached link; false when it is gone, still pending, or the frame could not
    // be sent.
    bool Reply(LinkId link, std::string_view text);
    std::size_t AttachedCount() const;
    std::size_t PendingCount() const;

  private:
    struct Link {
        std::shared_ptr<ClientConnection> connection;
        bool attached = false;
    };

    void AcceptLinks();
    void Answer(LinkId id, FrameStream stream);
    void OnFrame(LinkId id, const std::string& frame);
    void OnClosed(LinkId id);
    std::vector<LinkId> Ids() const;
    bool Send(LinkId id, Link& link, std::string_view text);
    void Report(LinkId id, std::string_view what) const;
    void Report(const std::string& line) const;

    MessageLoop& loop_;
    Handlers handlers_;
    std::unique_ptr<ClientListener> listener_;
    MessageLoop::WatchId listenerWatch_ = 0;
    std::string identity_;
    std::map<LinkId, Link> links_;
    LinkId lastLinkId_ = 0;
};

}  // namespace platform
