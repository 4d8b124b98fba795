// One end of a connected softphone-transport socket: bounded, non-blocking framed reads and writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class FrameStream {
  public:
    enum class ReadResult {
        kOk,            // zero or more frames were read; the stream goes on
        kEndOfStream,   // the peer closed its end (an unfinished frame is dropped)
        kFrameTooLong,  // the peer sent more than kMaxFrameBytes without a terminator
        kBroken,        // a read or write failed; nothing more is read
    };

    // Takes ownership of `fd`, a connected, non-blocking stream socket.
    explicit FrameStream(int fd);
    ~FrameStream();
    FrameStream(FrameStream&& other) noexcept;
    FrameStream& operator=(FrameStream&& other) noexcept;
    FrameStream(const FrameStream&) = delete;
    FrameStream& operator=(const FrameStream&) = delete;

    int Fd() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }

    // Reads once what has arrived, at most what the frame buffer has room for, and appends every
    // complete frame, its invalid UTF-8 replaced, to `frames`. Never blocks; never holds more
    // than kMaxFrameBytes.
    ReadResult ReadFrames(std::vector<std::string>& frames);

    // Sends `text` and its terminator as one frame, without blocking and without SIGPIPE. Returns
    // false, sending nothing, when the text holds a NUL or is longer than kMaxFrameTextBytes.
    // Returns false when the frame cannot be written whole at once: a peer that leaves its
    // receive buffer full is not waited for, the stream is shut down (the peer and the next
    // ReadFrames see its end) and ReadFrames reports kBroken.
    bool Send(std::string_view text);

    // Writes `bytes` as they are, as much as fits without blocking; returns the count written.
    // Lets a simulator play a client that breaks the rules.
    std::size_t SendRaw(std::string_view bytes);

    void Close();

  private:
    void Break();

    int fd_ = -1;
    bool broken_ = false;
    std::unique_ptr<char[]> buffer_;  // kMaxFrameBytes, allocated once
    std::size_t used_ = 0;
};

}  // namespace platform
