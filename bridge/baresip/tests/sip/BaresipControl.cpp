// The ctrl_tcp client: commands out, responses and events in as the loop finds them.
#include "bridge/baresip/tests/sip/BaresipControl.h"

namespace sip_test {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kConnectAttempt{500};

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

std::unique_ptr<BaresipControl> BaresipControl::Connect(platform::MessageLoop& loop,
                                                        std::uint16_t port, std::string* error) {
    std::optional<platform::TcpStream> stream =
        platform::TcpStream::Connect("127.0.0.1", port, kConnectAttempt, error);
    if (!stream) {
        return nullptr;
    }
    return std::unique_ptr<BaresipControl>(new BaresipControl(loop, std::move(*stream)));
}

BaresipControl::BaresipControl(platform::MessageLoop& loop, platform::TcpStream stream)
    : loop_(loop), stream_(std::move(stream)), connected_(Clock::now()) {
    watch_ = loop_.Watch(stream_.Fd(), [this] { OnReadable(); });
}

BaresipControl::~BaresipControl() {
    if (watch_ != 0) {
        loop_.Unwatch(watch_);
    }
}

void BaresipControl::OnReadable() {
    std::string bytes;
    const platform::TcpStream::ReadResult result = stream_.Read(bytes);
    const Clock::time_point arrived = Clock::now();
    std::vector<std::string> payloads;
    const baresip::NetstringReader::Result framing = reader_.Feed(bytes, payloads);
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
        loop_.Unwatch(watch_);
        watch_ = 0;
    }
}

std::string BaresipControl::Send(std::string_view command, std::string_view params) {
    if (ended_) {
        return {};
    }
    const std::string token = std::to_string(nextToken_++);
    const std::string json = baresip::JsonObjectOfStrings(
        {{"command", std::string(command)}, {"params", std::string(params)}, {"token", token}});
    return stream_.Write(baresip::EncodeNetstring(json)) ? token : std::string();
}

std::vector<ControlMessage> BaresipControl::Messages() const {
    return messages_;
}

std::size_t BaresipControl::Count() const {
    return messages_.size();
}

std::optional<ControlMessage> BaresipControl::FindEvent(std::string_view type, std::size_t from,
                                                        std::string_view param) const {
    for (std::size_t i = from; i < messages_.size(); ++i) {
        if (messages_[i].IsEvent(type, param)) {
            return messages_[i];
        }
    }
    return std::nullopt;
}

std::optional<ControlMessage> BaresipControl::FindResponse(std::string_view token) const {
    for (const ControlMessage& message : messages_) {
        if (message.IsResponseTo(token)) {
            return message;
        }
    }
    return std::nullopt;
}

bool BaresipControl::Ended() const {
    return ended_;
}

std::string BaresipControl::Describe() const {
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
