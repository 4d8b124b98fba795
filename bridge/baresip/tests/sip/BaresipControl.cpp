// The ctrl_tcp client: commands out, responses and events in on a thread of its own.
#include "bridge/baresip/tests/sip/BaresipControl.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "bridge/baresip/Netstring.h"

namespace sip_test {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kConnectAttempt{500};
constexpr milliseconds kRetryPause{50};

}  // namespace

bool ControlMessage::IsEvent(std::string_view type, std::string_view param) const {
    return json.BoolMember("event") == true && json.StringMember("type") == type &&
           (param.empty() || json.StringMember("param") == param);
}

bool ControlMessage::IsResponseTo(std::string_view token) const {
    return json.BoolMember("response") == true && json.StringMember("token") == token;
}

std::string ControlMessage::Member(std::string_view key) const {
    return json.StringMember(key).value_or("");
}

std::unique_ptr<BaresipControl> BaresipControl::Connect(std::uint16_t port, milliseconds timeout,
                                                        std::string* error) {
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        std::optional<platform::TcpStream> stream =
            platform::TcpStream::Connect("127.0.0.1", port, kConnectAttempt, error);
        if (stream) {
            int wake[2] = {-1, -1};
            if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
                *error = "cannot make a pipe";
                return nullptr;
            }
            return std::unique_ptr<BaresipControl>(
                new BaresipControl(std::move(*stream), wake[0], wake[1]));
        }
        if (Clock::now() + kRetryPause >= deadline) {
            return nullptr;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
}

BaresipControl::BaresipControl(platform::TcpStream stream, int wakeRead, int wakeWrite)
    : stream_(std::move(stream)),
      connected_(Clock::now()),
      wakeRead_(wakeRead),
      wakeWrite_(wakeWrite),
      reader_([this] { ReadLoop(); }) {}

BaresipControl::~BaresipControl() {
    const char stop = 's';
    while (::write(wakeWrite_, &stop, 1) < 0 && errno == EINTR) {
    }
    reader_.join();
    ::close(wakeRead_);
    ::close(wakeWrite_);
}

void BaresipControl::ReadLoop() {
    baresip::NetstringReader reader;
    const int fd = stream_.Fd();
    for (;;) {
        pollfd ready[2] = {{fd, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (::poll(ready, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (ready[1].revents != 0) {
            return;
        }
        std::string bytes;
        std::lock_guard<std::mutex> lock(mutex_);
        const platform::TcpStream::ReadResult result = stream_.Read(bytes);
        const Clock::time_point arrived = Clock::now();
        std::vector<std::string> payloads;
        const baresip::NetstringReader::Result framing = reader.Feed(bytes, payloads);
        for (std::string& payload : payloads) {
            std::optional<baresip::JsonValue> json = baresip::ParseJson(payload);
            messages_.push_back({messages_.size(), arrived, std::move(payload),
                                 json ? std::move(*json) : baresip::JsonValue()});
        }
        if (framing != baresip::NetstringReader::Result::kOk ||
            result != platform::TcpStream::ReadResult::kOk) {
            ended_ = true;
            fault_ = framing != baresip::NetstringReader::Result::kOk ? "malformed netstring"
                     : result == platform::TcpStream::ReadResult::kEndOfStream
                         ? "baresip closed the connection"
                         : stream_.Fault();
            return;
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    fault_ = "poll failed";
}

std::string BaresipControl::Send(std::string_view command, std::string_view params) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ended_) {
        return {};
    }
    const std::string token = std::to_string(nextToken_++);
    const std::string json = baresip::JsonObjectOfStrings(
        {{"command", std::string(command)}, {"params", std::string(params)}, {"token", token}});
    return stream_.Write(baresip::EncodeNetstring(json)) ? token : std::string();
}

std::vector<ControlMessage> BaresipControl::Messages() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
}

std::size_t BaresipControl::Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_.size();
}

std::optional<ControlMessage> BaresipControl::FindEvent(std::string_view type, std::size_t from,
                                                        std::string_view param) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::size_t i = from; i < messages_.size(); ++i) {
        if (messages_[i].IsEvent(type, param)) {
            return messages_[i];
        }
    }
    return std::nullopt;
}

std::optional<ControlMessage> BaresipControl::FindResponse(std::string_view token) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const ControlMessage& message : messages_) {
        if (message.IsResponseTo(token)) {
            return message;
        }
    }
    return std::nullopt;
}

bool BaresipControl::Ended() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ended_;
}

std::string BaresipControl::Describe() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string text;
    for (std::size_t i = 0; i < messages_.size(); ++i) {
        const ControlMessage& message = messages_[i];
        if (message.json.StringMember("type") == "CALL_RTCP") {
            continue;
        }
        const auto at = std::chrono::duration_cast<milliseconds>(message.arrived - connected_);
        text.append("  #" + std::to_string(i) + " +" + std::to_string(at.count()) + " ms " +
                    message.text + "\n");
    }
    if (ended_) {
        text.append("  (connection ended: " + fault_ + ")\n");
    }
    return text.empty() ? "  (none)\n" : text;
}

}  // namespace sip_test
