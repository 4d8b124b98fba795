// The phone-client simulator: the softphone's side of the client transport, for tests and for
// trying the system without a softphone.
//
// It listens on the client socket, answers every link that connects with the configured attach
// status (success; pending, granted later or never; refused; not available), answers the commands
// its handlers know, logs every command it receives, and sends notifications on request. A
// logged-out client answers "not available"; a restart is a new identity. The links are served by
// platform::ClientServer; this class decides what they are answered.
//
// Loop thread only, except ReceivedCommands, which any thread may call.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clientlink/ClientConnection.h"
#include "platform/clientlink/ClientProtocol.h"
#include "platform/clientlink/ClientServer.h"
#include "platform/clientlink/ClientSocket.h"
#include "platform/loop/Window.h"
#include "tools/phone-client-sim/AccountCommands.h"
#include "tools/phone-client-sim/CommandHandler.h"

namespace phone_client_sim {

struct Options {
    // Empty: platform::ClientSocketPath().
    std::filesystem::path socketPath;
    // The answer to every link: 0 success, 1 pending, 2 refused, 3 not available (or any other
    // number, to play a client that speaks a newer protocol).
    int attachStatus = platform::kAttachSuccess;
    // With status 1: the user grants the pending links this long after the first one asked;
    // zero leaves that to Grant().
    std::chrono::milliseconds pendingTime{0};
    // The user id a link must run as.
    std::uint32_t linkUid = platform::CurrentUserId();
};

class PhoneClientSim final : public platform::Window {
  public:
    // Links served at once; further ones are closed at once.
    static constexpr std::size_t kMaxLinks = platform::ClientServer::kMaxLinks;

    // Reports what happens, one line each, for the program's output.
    using Observer = std::function<void(const std::string& line)>;

    PhoneClientSim(platform::MessageLoop& loop, Options options);
    ~PhoneClientSim() override;

    // Listens with a fresh identity, logged in. False when the socket cannot be had.
    bool Start();
    // The client ends: every link sees its end of stream, the socket goes.
    void Stop();
    // Stop, then Start: the links see a new identity.
    bool Restart();
    bool IsRunning() const { return server_.IsRunning(); }
    const std::string& Identity() const { return server_.Identity(); }
    std::filesystem::path SocketPath() const;

    // The user allows the link: success on every pending link, and for every later one.
    void Grant();
    // "CONNSTATUS LOGGEDOUT" to every attached link; until the next Start, links are answered
    // "not available".
    void Logout();
    // Sends `text` to every attached link; returns how many got it.
    std::size_t Notify(std::string_view text);
    // Writes `bytes` as they are (no terminator, no checks) to every attached link, playing a
    // client that breaks the rules; returns the most bytes one link took.
    std::size_t NotifyRaw(std::string_view bytes);
    std::size_t AttachedCount() const { return server_.AttachedCount(); }

    // Asked after the handlers added before it; the account commands are always there.
    void AddCommandHandler(std::unique_ptr<CommandHandler> handler);
    AccountCommands& Account() { return *account_; }
    void SetObserver(Observer observer) { observer_ = std::move(observer); }

    // Every command received from an attached link so far, in order. Thread-safe.
    std::vector<std::string> ReceivedCommands() const;

  protected:
    void OnTimer(platform::TimerId id) override;

  private:
    static constexpr platform::TimerId kGrantTimer = 1;

    void OnCommand(platform::ClientServer::LinkId link, const std::string& command);
    void OnPending();
    int StatusForNewLink() const;
    void Report(const std::string& line) const;

    Options options_;
    bool loggedOut_ = false;
    bool granted_ = false;
    AccountCommands* account_;
    std::vector<std::unique_ptr<CommandHandler>> handlers_;
    Observer observer_;

    mutable std::mutex logMutex_;
    std::vector<std::string> received_;

    // Last: it calls back into everything above until it is gone.
    platform::ClientServer server_;
};

}  // namespace phone_client_sim
