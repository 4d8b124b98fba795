// A connected TCP client socket for the message loop: watch Fd() and call Read when it is
// readable. Reads and writes never block.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class TcpStream {
  public:
    enum class ReadResult {
        kOk,           // zero or more bytes were appended; the stream goes on
        kEndOfStream,  // the peer closed its end after everything it sent had been read
        kBroken,       // a read or write failed, or the connection was reset; nothing more is read
    };

    // The most one Read appends, so that a peer sending without pause cannot hold the loop.
    static constexpr std::size_t kMaxReadBytes = 64 * 1024;

    // Connects to `host` (a numeric IPv4 or IPv6 address, or a name getaddrinfo resolves, such
    // as "localhost"; each of its addresses is tried in turn) and `port`, waiting at most
    // `timeout` for the connections, not counting the name look-up. Nothing on failure, with a
    // one-line reason for people in `*error` ("127.0.0.1:4444: Connection refused"). The stream
    // is non-blocking and close-on-exec, with TCP_NODELAY and TCP_QUICKACK set.
    static std::optional<TcpStream> Connect(std::string_view host, std::uint16_t port,
                                            std::chrono::milliseconds timeout, std::string* error);

    ~TcpStream();
    TcpStream(TcpStream&& other) noexcept;
    TcpStream& operator=(TcpStream&& other) noexcept;
    TcpStream(const TcpStream&) = delete;
    TcpStream& operator=(const TcpStream&) = delete;

    int Fd() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    // Why the stream broke, for people; empty while it works or after a plain end of stream.
    const std::string& Fault() const { return fault_; }

    // Appends what has arrived, at most kMaxReadBytes, to `bytes`. Never blocks.
    ReadResult Read(std::string& bytes);

    // Writes all of `bytes` without blocking and without SIGPIPE. Returns false when they cannot
    // all be written at once: a peer that leaves its receive buffer full is not waited for, the
    // stream is shut down (the loop sees the hang-up) and Read reports kBroken.
    bool Write(std::string_view bytes);

    void Close();

  private:
    explicit TcpStream(int fd);
    void Break(std::string fault);

    int fd_ = -1;
    bool broken_ = false;
    std::string fault_;
};

}  // namespace platform
