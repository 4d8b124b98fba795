// The beacon over the softphone link's listening and connecting socket code: one frame each way.
#include "platform/instance/InstanceBeacon.h"

#include <poll.h>

#include <vector>

#include "platform/clientlink/ClientSocket.h"
#include "platform/files/RuntimeDirectory.h"
#include "platform/loop/MessageLoop.h"

namespace platform {
namespace {

constexpr std::string_view kAnswer = "forward";

std::filesystem::path BeaconPath(const std::string& name, std::filesystem::path directory) {
    if (directory.empty()) {
        directory = RuntimeDirectory();
    }
    return directory.empty() ? directory : directory / (name + ".beacon");
}

}  // namespace

std::unique_ptr<InstanceBeacon> InstanceBeacon::Listen(MessageLoop& loop, const std::string& name,
                                                       std::function<void()> onCalled,
                                                       std::filesystem::path directory) {
    const std::filesystem::path path = BeaconPath(name, std::move(directory));
    if (path.empty()) {
        return nullptr;
    }
    std::unique_ptr<ClientListener> listener = ClientListener::Listen(path, CurrentUserId());
    if (!listener) {
        return nullptr;
    }
    return std::unique_ptr<InstanceBeacon>(
        new InstanceBeacon(loop, std::move(listener), std::move(onCalled)));
}

InstanceBeacon::InstanceBeacon(MessageLoop& loop, std::unique_ptr<ClientListener> listener,
                               std::function<void()> onCalled)
    : loop_(loop), listener_(std::move(listener)), onCalled_(std::move(onCalled)) {
    watch_ = loop_.Watch(listener_->Fd(), [this] { AnswerWaitingCalls(); });
}

InstanceBeacon::~InstanceBeacon() {
    loop_.Unwatch(watch_);
}

void InstanceBeacon::AnswerWaitingCalls() {
    while (std::optional<FrameStream> caller = listener_->Accept()) {
        onCalled_();
        caller->Send(kAnswer);
    }
}

InstanceBeacon::CallResult InstanceBeacon::Call(const std::string& name,
                                                std::chrono::milliseconds timeout,
                                                std::filesystem::path directory) {
    const std::filesystem::path path = BeaconPath(name, std::move(directory));
    std::optional<FrameStream> stream;
    if (!path.empty()) {
        stream = ConnectToClient(path, CurrentUserId());
    }
    if (!stream) {
        return CallResult::kNoAnswer;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<std::string> frames;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{stream->Fd(), POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            return CallResult::kNoAnswer;
        }
        const FrameStream::ReadResult read = stream->ReadFrames(frames);
        if (!frames.empty()) {
            return frames.front() == kAnswer ? CallResult::kAnswered : CallResult::kNoAnswer;
        }
        if (read != FrameStream::ReadResult::kOk) {
            return CallResult::kNoAnswer;
        }
    }
}

}  // namespace platform
