// Non-blocking TCP client connections: connecting with a deadline, bounded reads, whole writes.
#include "platform/tcp/TcpStream.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/tcp/TcpAddress.h"

namespace platform {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

bool SetOption(int fd, int option) {
    const int on = 1;
    return ::setsockopt(fd, IPPROTO_TCP, option, &on, sizeof on) == 0;
}

// Waits for a connection under way; returns 0 once it stands, or the errno it failed with.
int AwaitConnection(int fd, steady_clock::time_point deadline) {
    for (;;) {
        const milliseconds left = std::max(
            std::chrono::ceil<milliseconds>(deadline - steady_clock::now()), milliseconds(0));
        pollfd entry{fd, POLLOUT, 0};
        const int ready =
            ::poll(&entry, 1, static_cast<int>(std::min<milliseconds::rep>(left.count(), INT_MAX)));
        if (ready > 0) {
            int failure = 0;
            socklen_t length = sizeof failure;
            return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &length) == 0 ? failure : errno;
        }
        if (ready < 0 && errno != EINTR) {
            return errno;
        }
        if (ready == 0 && left.count() == 0) {
            return ETIMEDOUT;
        }
    }
}

// A connected socket to `address`, or -1 with the reason in `reason`.
int ConnectTo(const addrinfo& address, steady_clock::time_point deadline, std::string& reason) {
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            address.ai_protocol);
    if (fd < 0) {
        reason = std::strerror(errno);
        return -1;
    }
    int failure = 0;
    if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
        failure = errno == EINPROGRESS ? AwaitConnection(fd, deadline) : errno;
    }
    // Commands and their replies are small and wait on each other: Nagle's algorithm and delayed
    // acknowledgements would each hold them back.
    if (failure == 0 && (!SetOption(fd, TCP_NODELAY) || !SetOption(fd, TCP_QUICKACK))) {
        failure = errno;
    }
    if (failure != 0) {
        reason = std::strerror(failure);
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::optional<TcpStream> TcpStream::Connect(std::string_view host, std::uint16_t port,
                                            std::chrono::milliseconds timeout, std::string* error) {
    std::string reason;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int status =
        ::getaddrinfo(std::string(host).c_str(), std::to_string(port).c_str(), &hints, &found);
    if (status == 0) {
        const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found,
                                                                             &::freeaddrinfo);
        const steady_clock::time_point deadline = steady_clock::now() + timeout;
        for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
            const int fd = ConnectTo(*address, deadline, reason);
            if (fd >= 0) {
                return TcpStream(fd);
            }
        }
    } else {
        reason = status == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(status);
    }
    if (error != nullptr) {
        *error = FormatTcpAddress(host, port);
        *error += ": ";
        *error += reason;
    }
    return std::nullopt;
}

TcpStream::TcpStream(int fd) : fd_(fd) {}

TcpStream::~TcpStream() {
    Close();
}

TcpStream::TcpStream(TcpStream&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      broken_(std::exchange(other.broken_, false)),
      fault_(std::move(other.fault_)) {}

TcpStream& TcpStream::operator=(TcpStream&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        broken_ = std::exchange(other.broken_, false);
        fault_ = std::move(other.fault_);
    }
    return *this;
}

void TcpStream::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

TcpStream::ReadResult TcpStream::Read(std::string& bytes) {
    if (fd_ < 0 || broken_) {
        return ReadResult::kBroken;
    }
    const std::size_t before = bytes.size();
    bytes.resize(before + kMaxReadBytes);
    ssize_t got = 0;
    do {
        got = ::recv(fd_, bytes.data() + before, kMaxReadBytes, MSG_DONTWAIT);
    } while (got < 0 && errno == EINTR);
    const int failure = errno;
    bytes.resize(before + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    if (got == 0) {
        return ReadResult::kEndOfStream;
    }
    if (got < 0) {
        if (failure == EAGAIN || failure == EWOULDBLOCK) {
            return ReadResult::kOk;
        }
        Break(std::strerror(failure));
        return ReadResult::kBroken;
    }
    // Linux leaves quick-ack mode on its own, soon after it sees data going both ways. Our
    // acknowledgements are then delayed by up to 40 ms, and a peer whose Nagle algorithm holds its
    // next message until the last one is acknowledged answers that much later.
    SetOption(fd_, TCP_QUICKACK);
    return ReadResult::kOk;
}

bool TcpStream::Write(std::string_view bytes) {
    if (fd_ < 0 || broken_) {
        return false;
    }
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            Break(std::strerror(errno));
            return false;
        } else {
            Break("the peer does not read; cut off");
            return false;
        }
    }
    return true;
}

void TcpStream::Break(std::string fault) {
    broken_ = true;
    fault_ = std::move(fault);
    // The descriptor stays open so that whoever watches it sees the hang-up and cleans up in its
    // own time, not in the middle of the call that failed.
    ::shutdown(fd_, SHUT_RDWR);
}

}  // namespace platform
