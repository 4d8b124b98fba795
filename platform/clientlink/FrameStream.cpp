// Framed, bounded, non-blocking socket I/O for the softphone transport.
#include "platform/clientlink/FrameStream.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/clientlink/ClientLog.h"
#include "platform/clientlink/ClientProtocol.h"
#include "platform/text/Utf8.h"

namespace platform {

FrameStream::FrameStream(int fd) : fd_(fd), buffer_(std::make_unique<char[]>(kMaxFrameBytes)) {}

FrameStream::~FrameStream() {
    Close();
}

FrameStream::FrameStream(FrameStream&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      broken_(other.broken_),
      buffer_(std::move(other.buffer_)),
      used_(std::exchange(other.used_, 0)) {}

FrameStream& FrameStream::operator=(FrameStream&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        broken_ = other.broken_;
        buffer_ = std::move(other.buffer_);
        used_ = std::exchange(other.used_, 0);
    }
    return *this;
}

void FrameStream::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    used_ = 0;
}

FrameStream::ReadResult FrameStream::ReadFrames(std::vector<std::string>& frames) {
    if (fd_ < 0 || broken_) {
        return ReadResult::kBroken;
    }
    const ssize_t got = ::recv(fd_, buffer_.get() + used_, kMaxFrameBytes - used_, MSG_DONTWAIT);
    if (got == 0) {
        return ReadResult::kEndOfStream;
    }
    if (got < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            return ReadResult::kOk;
        }
        if (errno == ECONNRESET) {
            return ReadResult::kEndOfStream;  // the peer went, leaving our last frames unread
        }
        LogClientFault(FaultOf::kSystem, std::string("read failed: ") + std::strerror(errno));
        broken_ = true;
        return ReadResult::kBroken;
    }
    const std::size_t end = used_ + static_cast<std::size_t>(got);
    std::size_t frameStart = 0;
    for (std::size_t pos = used_; pos < end; ++pos) {
        if (buffer_[pos] == '\0') {
            frames.push_back(
                SanitizeUtf8(std::string_view(buffer_.get() + frameStart, pos - frameStart)));
            frameStart = pos + 1;
        }
    }
    used_ = end - frameStart;
    if (frameStart > 0 && used_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + frameStart, used_);
    }
    if (used_ == kMaxFrameBytes) {
        LogClientFault(FaultOf::kPeer, "frame longer than the limit; cut off");
        used_ = 0;
        return ReadResult::kFrameTooLong;
    }
    return ReadResult::kOk;
}

bool FrameStream::Send(std::string_view text) {
    if (fd_ < 0 || broken_ || text.size() > kMaxFrameTextBytes ||
        text.find('\0') != std::string_view::npos) {
        return false;
    }
    std::string frame(text);
    frame.push_back('\0');
    const ssize_t sent = ::send(fd_, frame.data(), frame.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent == static_cast<ssize_t>(frame.size())) {
        return true;
    }
    if (sent >= 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
        LogClientFault(FaultOf::kPeer, "peer does not read; cut off");
    } else if (errno != EPIPE && errno != ECONNRESET) {
        LogClientFault(FaultOf::kSystem, std::string("write failed: ") + std::strerror(errno));
    }
    Break();
    return false;
}

std::size_t FrameStream::SendRaw(std::string_view bytes) {
    if (fd_ < 0 || broken_) {
        return 0;
    }
    const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    return sent > 0 ? static_cast<std::size_t>(sent) : 0;
}

void FrameStream::Break() {
    broken_ = true;
    // The descriptor stays open so that whoever watches it sees the hang-up and cleans up in
    // its own time, not in the middle of the send that failed.
    ::shutdown(fd_, SHUT_RDWR);
}

}  // namespace platform
