// A party's hand on its baresip: a ctrl_tcp client that sends commands ({"command": ...,
// "params": ..., "token": ...}, every value a string, each JSON text a netstring) and keeps every
// response and event baresip sends back, with the moment it arrived.
//
// The connection is watched on the loop the test pumps while it waits, so that an event's time
// is when it came, not when the test next looked; the test asks for what has arrived.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/baresip/Json.h"
#include "bridge/baresip/Netstring.h"
#include "platform/loop/MessageLoop.h"
#include "platform/tcp/TcpStream.h"

namespace sip_test {

using Clock = std::chrono::steady_clock;

struct ControlMessage {
    std::size_t index = 0;  // its place among the messages, from 0
    Clock::time_point arrived;
    std::string text;  // the JSON as baresip wrote it
    baresip::JsonValue json;

    // {"event":true,"type":TYPE,...}, and "param":PARAM unless `param` is empty.
    bool IsEvent(std::string_view type, std::string_view param = {}) const;
    // {"response":true,...,"token":TOKEN}
    bool IsResponseTo(std::string_view token) const;
    std::string Member(std::string_view key) const;  // empty when missing or not a string
};

class BaresipControl {
  public:
    // Connects to ctrl_tcp on 127.0.0.1:`port` of a baresip that is ready, and watches the
    // connection on `loop` (which must outlive it). Nothing, with the reason in `*error`,
    // otherwise.
    static std::unique_ptr<BaresipControl> Connect(platform::MessageLoop& loop, std::uint16_t port,
                                                   std::string* error);
    ~BaresipControl();
    BaresipControl(const BaresipControl&) = delete;
    BaresipControl& operator=(const BaresipControl&) = delete;

    // Sends the command with a token of its own; returns the token, or empty when the
    // connection is broken.
    std::string Send(std::string_view command, std::string_view params = {});

    // Everything received so far, oldest first; Count() is the next one's index.
    std::vector<ControlMessage> Messages() const;
    std::size_t Count() const;
    // The first event of `type` (and `param`, unless empty) from index `from` on.
    std::optional<ControlMessage> FindEvent(std::string_view type, std::size_t from = 0,
                                            std::string_view param = {}) const;
    std::optional<ControlMessage> FindResponse(std::string_view token) const;
    // Whether baresip closed the connection or broke it.
    bool Ended() const;

    // The messages for a failure report, one a line, the RTCP reports left out.
    std::string Describe() const;

  private:
    BaresipControl(platform::MessageLoop& loop, platform::TcpStream stream);
    void OnReadable();

    platform::MessageLoop& loop_;
    platform::TcpStream stream_;
    platform::MessageLoop::WatchId watch_ = 0;
    baresip::NetstringReader reader_;
    std::vector<ControlMessage> messages_;
    bool ended_ = false;
    std::string fault_;
    unsigned nextToken_ = 1;
    const Clock::time_point connected_;
};

}  // namespace sip_test
