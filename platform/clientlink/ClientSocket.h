// Where the softphone listens, and the two ways onto its socket: connecting (the link's side)
// and listening (the softphone's side, or a simulator's). Only a peer of the required user id is
// ever talked to.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include "platform/clientlink/FrameStream.h"

namespace platform {

// The effective user id of this process.
std::uint32_t CurrentUserId();

// The softphone's socket: $KESTREL_CLIENT_SOCKET when set and not empty, otherwise
// "kestrel-client.sock" in the per-user runtime directory (platform/files). Empty when there is
// no safe runtime directory.
std::filesystem::path ClientSocketPath();

// Connects to the client listening at `socketPath`, without blocking. Returns nothing when
// nobody listens there, the path does not fit a socket address, or the listener's user id is
// not `requiredPeerUid`.
std::optional<FrameStream> ConnectToClient(const std::filesystem::path& socketPath,
                                           std::uint32_t requiredPeerUid);

class ClientListener {
  public:
    // Listens at `socketPath`, replacing a stale socket file that nobody listens on any more.
    // Returns nullptr when the path is taken by a live listener or by something that is not a
    // socket, or cannot be bound. Connections from a user id other than `requiredPeerUid` are
    // refused.
    static std::unique_ptr<ClientListener> Listen(const std::filesystem::path& socketPath,
                                                  std::uint32_t requiredPeerUid);
    // Stops listening and removes the socket file if it is still the one this listener made.
    ~ClientListener();
    ClientListener(const ClientListener&) = delete;
    ClientListener& operator=(const ClientListener&) = delete;

    // Readable while connections wait to be accepted.
    int Fd() const { return fd_; }
    const std::filesystem::path& Path() const { return path_; }

    // The next waiting connection of an allowed peer, non-blocking; refused ones are closed on
    // the way. Nothing when no connection waits.
    std::optional<FrameStream> Accept();

  private:
    ClientListener(int fd, std::filesystem::path path, std::uint32_t requiredPeerUid,
                   std::uint64_t inode);

    int fd_;
    std::filesystem::path path_;
    std::uint32_t requiredPeerUid_;
    std::uint64_t inode_;
};

}  // namespace platform
