// TCP client streams against loopback listeners made here: connecting, the socket's options,
// reading, writing and the ways a connection ends.
#include "platform/tcp/LoopbackPort.h"
#include "platform/tcp/TcpStream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace platform {
namespace {

using namespace std::chrono_literals;

constexpr int kPatienceMs = 5000;

// A descriptor the test owns.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }
    void Reset() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_;
};

// A socket bound to a free loopback port; it listens unless told not to, which leaves the port
// refusing connections and taken, so nobody else listens there meanwhile.
class Loopback {
  public:
    enum class Listening { kYes, kNo };

    explicit Loopback(int family = AF_INET, Listening listening = Listening::kYes, int backlog = 8)
        : fd_(::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_storage address{};
        socklen_t length = 0;
        if (family == AF_INET6) {
            auto& v6 = reinterpret_cast<sockaddr_in6&>(address);
            v6.sin6_family = AF_INET6;
            v6.sin6_addr = in6addr_loopback;
            length = sizeof v6;
        } else {
            auto& v4 = reinterpret_cast<sockaddr_in&>(address);
            v4.sin_family = AF_INET;
            v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            length = sizeof v4;
        }
        bound_ = fd_.Get() >= 0 &&
                 ::bind(fd_.Get(), reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                 (listening == Listening::kNo || ::listen(fd_.Get(), backlog) == 0) &&
                 ::getsockname(fd_.Get(), reinterpret_cast<sockaddr*>(&address), &length) == 0;
        port_ = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(address).sin6_port
                                         : reinterpret_cast<sockaddr_in&>(address).sin_port);
    }

    bool Bound() const { return bound_; }
    std::uint16_t Port() const { return port_; }

    // The next connection's server end, blocking, waited for in bounded real time.
    Fd Accept() {
        pollfd entry{fd_.Get(), POLLIN, 0};
        if (::poll(&entry, 1, kPatienceMs) != 1) {
            throw std::runtime_error("nobody connected");
        }
        return Fd(::accept4(fd_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    }

  private:
    Fd fd_;
    bool bound_ = false;
    std::uint16_t port_ = 0;
};

TcpStream ConnectTo(const char* host, const Loopback& listener) {
    std::string error;
    std::optional<TcpStream> stream = TcpStream::Connect(host, listener.Port(), 1s, &error);
    if (!stream) {
        throw std::runtime_error(error);
    }
    return std::move(*stream);
}

bool WaitFor(int fd, short events) {
    pollfd entry{fd, events, 0};
    return ::poll(&entry, 1, kPatienceMs) == 1;
}

// Reads until `bytes` holds `count` bytes or the stream stops being kOk.
TcpStream::ReadResult ReadUntil(TcpStream& stream, std::string& bytes, std::size_t count) {
    TcpStream::ReadResult result = TcpStream::ReadResult::kOk;
    while (bytes.size() < count && result == TcpStream::ReadResult::kOk &&
           WaitFor(stream.Fd(), POLLIN)) {
        result = stream.Read(bytes);
    }
    return result;
}

std::string Receive(const Fd& peer, std::size_t count) {
    std::string bytes(count, '\0');
    std::size_t got = 0;
    while (got < count && WaitFor(peer.Get(), POLLIN)) {
        const ssize_t part = ::recv(peer.Get(), bytes.data() + got, count - got, 0);
        if (part <= 0) {
            break;
        }
        got += static_cast<std::size_t>(part);
    }
    bytes.resize(got);
    return bytes;
}

int TcpOption(int fd, int option) {
    int value = -1;
    socklen_t length = sizeof value;
    EXPECT_EQ(0, ::getsockopt(fd, IPPROTO_TCP, option, &value, &length));
    return value;
}

TEST(TcpStream, ExchangesBytesBothWaysAndSeesTheEnd) {
    Loopback listener;
    ASSERT_TRUE(listener.Bound());
    TcpStream stream = ConnectTo("127.0.0.1", listener);
    Fd peer = listener.Accept();

    ASSERT_TRUE(stream.Write("7:command,"));
    EXPECT_EQ("7:command,", Receive(peer, 10));

    ASSERT_EQ(8, ::send(peer.Get(), "5:reply,", 8, 0));
    std::string bytes = "kept";
    EXPECT_EQ(TcpStream::ReadResult::kOk, ReadUntil(stream, bytes, 12));
    EXPECT_EQ("kept5:reply,", bytes);

    const std::string burst(3 * TcpStream::kMaxReadBytes, 'x');
    const ssize_t sent = ::send(peer.Get(), burst.data(), burst.size(), MSG_DONTWAIT);
    ASSERT_GT(sent, static_cast<ssize_t>(TcpStream::kMaxReadBytes));
    peer.Reset();
    bytes.clear();
    ASSERT_TRUE(WaitFor(stream.Fd(), POLLIN));
    EXPECT_EQ(TcpStream::ReadResult::kOk, stream.Read(bytes));
    EXPECT_LE(bytes.size(), TcpStream::kMaxReadBytes);
    EXPECT_EQ(TcpStream::ReadResult::kEndOfStream, ReadUntil(stream, bytes, burst.size() + 1));
    EXPECT_EQ(static_cast<std::size_t>(sent), bytes.size());
    EXPECT_EQ("", stream.Fault());
}

TEST(TcpStream, ConnectsByNameAndOverIpv6) {
    const struct {
        const char* host;
        int family;
    } cases[] = {{"localhost", AF_INET}, {"::1", AF_INET6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        Loopback listener(c.family);
        if (!listener.Bound()) {
            continue;  // no IPv6 loopback in this machine
        }
        TcpStream stream = ConnectTo(c.host, listener);
        Fd peer = listener.Accept();
        ASSERT_TRUE(stream.Write("ping"));
        EXPECT_EQ("ping", Receive(peer, 4));
    }
}

TEST(TcpStream, IsNonBlockingCloseOnExecAndQuickToAnswer) {
    Loopback listener;
    ASSERT_TRUE(listener.Bound());
    TcpStream stream = ConnectTo("127.0.0.1", listener);
    Fd peer = listener.Accept();
    EXPECT_NE(0, ::fcntl(stream.Fd(), F_GETFL) & O_NONBLOCK);
    EXPECT_NE(0, ::fcntl(stream.Fd(), F_GETFD) & FD_CLOEXEC);
    EXPECT_EQ(1, TcpOption(stream.Fd(), TCP_NODELAY));

    // Data arriving shortly before we send puts Linux in delayed-acknowledgement mode; the read of
    // the answer must leave it again.
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(1, ::send(peer.Get(), "q", 1, 0));
        std::string bytes;
        ASSERT_EQ(TcpStream::ReadResult::kOk, ReadUntil(stream, bytes, 1));
        ASSERT_TRUE(stream.Write("a"));
        ASSERT_EQ("a", Receive(peer, 1));
    }
    ASSERT_EQ(1, ::send(peer.Get(), "q", 1, 0));
    std::string bytes;
    ASSERT_EQ(TcpStream::ReadResult::kOk, ReadUntil(stream, bytes, 1));
    EXPECT_EQ(1, TcpOption(stream.Fd(), TCP_QUICKACK));
}

TEST(TcpStream, ReportsARefusedConnectionWithItsReason) {
    Loopback taken(AF_INET, Loopback::Listening::kNo);
    ASSERT_TRUE(taken.Bound());
    std::string error;
    EXPECT_FALSE(TcpStream::Connect("127.0.0.1", taken.Port(), 1s, &error).has_value());
    EXPECT_EQ("127.0.0.1:" + std::to_string(taken.Port()) + ": Connection refused", error);
}

TEST(LoopbackPort, IsFreeOnlyWhileNobodyHoldsIt) {
    std::uint16_t port = 0;
    {
        Loopback taken(AF_INET, Loopback::Listening::kNo);
        ASSERT_TRUE(taken.Bound());
        port = taken.Port();
        EXPECT_FALSE(LoopbackPortIsFree(port));
    }
    EXPECT_TRUE(LoopbackPortIsFree(port));
}

TEST(TcpStream, GivesUpAtTheTimeout) {
    // With a backlog of 0 Linux queues one connection and drops the SYNs of the next ones.
    Loopback listener(AF_INET, Loopback::Listening::kYes, 0);
    ASSERT_TRUE(listener.Bound());
    TcpStream queued = ConnectTo("127.0.0.1", listener);
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(TcpStream::Connect("127.0.0.1", listener.Port(), 100ms, &error).has_value());
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ("127.0.0.1:" + std::to_string(listener.Port()) + ": Connection timed out", error);
    EXPECT_GE(waited, 100ms);
    EXPECT_LT(waited, 900ms);  // well before the SYN is sent again
}

TEST(TcpStream, CutsOffAPeerThatDoesNotRead) {
    Loopback listener;
    ASSERT_TRUE(listener.Bound());
    TcpStream stream = ConnectTo("127.0.0.1", listener);
    Fd peer = listener.Accept();
    const std::string flood(64 << 20, 'x');
    EXPECT_FALSE(stream.Write(flood));
    EXPECT_EQ("the peer does not read; cut off", stream.Fault());
    EXPECT_TRUE(stream.IsOpen());
    EXPECT_FALSE(stream.Write("more"));
    std::string bytes;
    EXPECT_EQ(TcpStream::ReadResult::kBroken, stream.Read(bytes));
    EXPECT_TRUE(WaitFor(stream.Fd(), POLLHUP));
}

TEST(TcpStream, WritingToAClosedPeerFailsWithoutSigpipe) {
    Loopback listener;
    ASSERT_TRUE(listener.Bound());
    TcpStream stream = ConnectTo("127.0.0.1", listener);
    Fd peer = listener.Accept();
    peer.Reset();
    std::string bytes;
    ASSERT_EQ(TcpStream::ReadResult::kEndOfStream, ReadUntil(stream, bytes, 1));
    // The first write draws the closed peer's reset; the next one fails with EPIPE, which raises
    // SIGPIPE unless the send says otherwise.
    ASSERT_TRUE(stream.Write("a"));
    ASSERT_TRUE(WaitFor(stream.Fd(), POLLERR));
    EXPECT_FALSE(stream.Write("b"));
    EXPECT_EQ("Broken pipe", stream.Fault());
}

TEST(TcpStream, MovesTheConnectionAndClosesItAtTheEnd) {
    Loopback listener;
    ASSERT_TRUE(listener.Bound());
    TcpStream first = ConnectTo("127.0.0.1", listener);
    Fd peer = listener.Accept();
    const int fd = first.Fd();
    {
        TcpStream second = std::move(first);
        EXPECT_FALSE(first.IsOpen());
        EXPECT_EQ(fd, second.Fd());
        TcpStream third = ConnectTo("127.0.0.1", listener);
        third = std::move(second);
        EXPECT_EQ(fd, third.Fd());
        ASSERT_TRUE(third.Write("x"));
    }
    EXPECT_EQ("x", Receive(peer, 2));  // the end of stream after the byte
}

}  // namespace
}  // namespace platform
