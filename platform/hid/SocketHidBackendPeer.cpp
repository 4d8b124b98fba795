// The handset's end of the handset socket: connect, hello, one packet per report.
#include "platform/hid/SocketHidBackendPeer.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace platform {

bool SocketHidBackendPeer::Connect(const std::string& socketPath, handset_socket::DeviceIds ids) {
    Close();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const auto hello = handset_socket::EncodeHello(ids);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        send(fd, hello.data(), hello.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(hello.size())) {
        close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool SocketHidBackendPeer::Send(std::span<const std::uint8_t> packet) {
    if (fd_ < 0 || packet.empty()) {
        return false;
    }
    ssize_t n;
    do {
        n = send(fd_, packet.data(), packet.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(packet.size());
}

HidResult SocketHidBackendPeer::Receive(std::span<std::uint8_t> packet,
                                        std::chrono::milliseconds timeout, std::size_t& length) {
    length = 0;
    if (fd_ < 0) {
        return HidResult::NotConnected;
    }
    pollfd ready{fd_, POLLIN, 0};
    const auto ms = std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INT_MAX);
    const int polled = poll(&ready, 1, static_cast<int>(ms));
    if (polled == 0 || (polled < 0 && errno == EINTR)) {
        return HidResult::Timeout;
    }
    if (polled < 0) {
        return HidResult::Error;
    }
    const ssize_t n = recv(fd_, packet.data(), packet.size(), MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        return HidResult::Timeout;
    }
    if (n <= 0) {
        return HidResult::NotConnected;
    }
    length = static_cast<std::size_t>(n);
    return HidResult::Ok;
}

void SocketHidBackendPeer::Shutdown() {
    if (fd_ >= 0) {
        shutdown(fd_, SHUT_RDWR);
    }
}

void SocketHidBackendPeer::Close() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

}  // namespace platform
