// Serving a softphone-transport connection from the message loop.
#include "platform/clientlink/ClientConnection.h"

#include <utility>
#include <vector>

namespace platform {

std::shared_ptr<ClientConnection> ClientConnection::Serve(MessageLoop& loop, FrameStream stream,
                                                          FrameHandler onFrame,
                                                          CloseHandler onClosed) {
    std::shared_ptr<ClientConnection> connection(
        new ClientConnection(loop, std::move(stream), std::move(onFrame), std::move(onClosed)));
    std::weak_ptr<ClientConnection> weak = connection;
    connection->watch_ = loop.Watch(connection->stream_.Fd(), [weak] {
        if (std::shared_ptr<ClientConnection> self = weak.lock()) {
            OnReadable(std::move(self));
        }
    });
    return connection;
}

ClientConnection::ClientConnection(MessageLoop& loop, FrameStream stream, FrameHandler onFrame,
                                   CloseHandler onClosed)
    : loop_(loop),
      stream_(std::move(stream)),
      onFrame_(std::move(onFrame)),
      onClosed_(std::move(onClosed)) {}

ClientConnection::~ClientConnection() {
    Close();
}

void ClientConnection::Close() {
    if (watch_ != 0) {
        loop_.Unwatch(watch_);
        watch_ = 0;
    }
    stream_.Close();
}

void ClientConnection::OnReadable(std::shared_ptr<ClientConnection> self) {
    // A handler may drop the owner's reference: `self` keeps the object alive until we return,
    // and once it is the only one left, the owner wants nothing more from the connection.
    const auto abandoned = [&self] { return !self->IsOpen() || self.use_count() == 1; };
    std::vector<std::string> frames;
    const FrameStream::ReadResult result = self->stream_.ReadFrames(frames);
    for (const std::string& frame : frames) {
        if (abandoned()) {
            return;
        }
        self->onFrame_(frame);
    }
    if (result == FrameStream::ReadResult::kOk || abandoned()) {
        return;
    }
    self->Close();
    switch (result) {
        case FrameStream::ReadResult::kEndOfStream:
            self->onClosed_(CloseReason::kEndOfStream);
            return;
        case FrameStream::ReadResult::kFrameTooLong:
            self->onClosed_(CloseReason::kFrameTooLong);
            return;
        case FrameStream::ReadResult::kBroken:
            self->onClosed_(CloseReason::kBroken);
            return;
        case FrameStream::ReadResult::kOk:
            return;
    }
}

}  // namespace platform
