// A softphone-transport connection served on the message loop: frames are handed over as they
// arrive, on the loop thread, without a thread of its own.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/clientlink/FrameStream.h"
#include "platform/loop/MessageLoop.h"

namespace platform {

class ClientConnection : public std::enable_shared_from_this<ClientConnection> {
  public:
    enum class CloseReason { kEndOfStream, kFrameTooLong, kBroken };
    using FrameHandler = std::function<void(const std::string& frame)>;
    using CloseHandler = std::function<void(CloseReason reason)>;

    // Watches `stream` on `loop` (which must outlive the connection). Every frame goes to
    // `onFrame` in arrival order; when the peer ends the stream, breaks the frame limit or the
    // stream breaks, the connection closes itself and calls `onClosed` once. Either handler may
    // close the connection or drop the last reference to it.
    static std::shared_ptr<ClientConnection> Serve(MessageLoop& loop, FrameStream stream,
                                                   FrameHandler onFrame, CloseHandler onClosed);
    ~ClientConnection();
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    bool IsOpen() const { return stream_.IsOpen(); }
    // FrameStream::Send; a frame that cannot be written whole closes the connection on the next
    // turn of the loop, with CloseReason::kBroken.
    bool Send(std::string_view text) { return stream_.Send(text); }
    std::size_t SendRaw(std::string_view bytes) { return stream_.SendRaw(bytes); }
    // Closes the connection without calling `onClosed`.
    void Close();

  private:
    ClientConnection(MessageLoop& loop, FrameStream stream, FrameHandler onFrame,
                     CloseHandler onClosed);
    static void OnReadable(std::shared_ptr<ClientConnection> self);

    MessageLoop& loop_;
    FrameStream stream_;
    FrameHandler onFrame_;
    CloseHandler onClosed_;
    MessageLoop::WatchId watch_ = 0;
};

}  // namespace platform
