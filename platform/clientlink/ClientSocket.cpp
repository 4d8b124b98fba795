// Unix stream sockets of the softphone transport: the path rules, connecting, listening and the
// peer credential check.
#include "platform/clientlink/ClientSocket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "platform/clientlink/ClientLog.h"
#include "platform/files/RuntimeDirectory.h"

namespace platform {
namespace {

constexpr int kListenBacklog = 16;

std::optional<sockaddr_un> SocketAddress(const std::filesystem::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& text = path.native();
    if (text.empty() || text.size() >= sizeof address.sun_path) {
        LogClientFault(FaultOf::kSystem, "socket path empty or too long: " + text);
        return std::nullopt;
    }
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return address;
}

int NewSocket() {
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

bool Connect(int fd, const sockaddr_un& address) {
    return ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

bool PeerIs(int fd, std::uint32_t requiredUid) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) {
        LogClientFault(FaultOf::kSystem, "no peer credentials; refused");
        return false;
    }
    if (credentials.uid != requiredUid) {
        LogClientFault(FaultOf::kPeer,
                       "peer of user id " + std::to_string(credentials.uid) + " refused");
        return false;
    }
    return true;
}

}  // namespace

std::uint32_t CurrentUserId() {
    return ::geteuid();
}

std::filesystem::path ClientSocketPath() {
    if (const char* explicitPath = std::getenv("KESTREL_CLIENT_SOCKET");
        explicitPath != nullptr && *explicitPath != '\0') {
        return explicitPath;
    }
    const std::filesystem::path runtime = RuntimeDirectory();
    return runtime.empty() ? runtime : runtime / "kestrel-client.sock";
}

std::optional<FrameStream> ConnectToClient(const std::filesystem::path& socketPath,
                                           std::uint32_t requiredPeerUid) {
    const std::optional<sockaddr_un> address = SocketAddress(socketPath);
    if (!address) {
        return std::nullopt;
    }
    const int fd = NewSocket();
    if (fd < 0) {
        return std::nullopt;
    }
    // A Unix socket connects at once or not at all; a full backlog fails with EAGAIN, which is
    // treated like nobody listening.
    if (!Connect(fd, *address) || !PeerIs(fd, requiredPeerUid)) {
        ::close(fd);
        return std::nullopt;
    }
    return FrameStream(fd);
}

std::unique_ptr<ClientListener> ClientListener::Listen(const std::filesystem::path& socketPath,
                                                       std::uint32_t requiredPeerUid) {
    const std::optional<sockaddr_un> address = SocketAddress(socketPath);
    if (!address) {
        return nullptr;
    }
    struct stat existing {};
    if (::lstat(socketPath.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            LogClientFault(FaultOf::kSystem, "not a socket, left alone: " + socketPath.native());
            return nullptr;
        }
        const int probe = NewSocket();
        const bool live = probe >= 0 && Connect(probe, *address);
        if (probe >= 0) {
            ::close(probe);
        }
        if (live) {
            LogClientFault(FaultOf::kSystem, "someone listens already: " + socketPath.native());
            return nullptr;
        }
        ::unlink(socketPath.c_str());
    }
    const int fd = NewSocket();
    if (fd < 0) {
        return nullptr;
    }
    struct stat made {};
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 ||
        ::chmod(socketPath.c_str(), 0600) != 0 || ::listen(fd, kListenBacklog) != 0 ||
        ::lstat(socketPath.c_str(), &made) != 0) {
        LogClientFault(FaultOf::kSystem,
                       "cannot listen at " + socketPath.native() + ": " + std::strerror(errno));
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<ClientListener>(
        new ClientListener(fd, socketPath, requiredPeerUid, made.st_ino));
}

ClientListener::ClientListener(int fd, std::filesystem::path path, std::uint32_t requiredPeerUid,
                               std::uint64_t inode)
    : fd_(fd), path_(std::move(path)), requiredPeerUid_(requiredPeerUid), inode_(inode) {}

ClientListener::~ClientListener() {
    ::close(fd_);
    struct stat current {};
    if (::lstat(path_.c_str(), &current) == 0 && current.st_ino == inode_ &&
        S_ISSOCK(current.st_mode)) {
        ::unlink(path_.c_str());
    }
}

std::optional<FrameStream> ClientListener::Accept() {
    for (;;) {
        const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return std::nullopt;
        }
        if (PeerIs(fd, requiredPeerUid_)) {
            return FrameStream(fd);
        }
        ::close(fd);
    }
}

}  // namespace platform
