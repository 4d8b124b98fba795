// Netstrings, "<decimal length>:<payload>,": how ctrl_tcp frames each JSON message.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace baresip {

std::string EncodeNetstring(std::string_view payload);

// Cuts a byte stream into payloads however it arrives, in pieces or several at once.
class NetstringReader {
  public:
    // A peer announcing more is cut off rather than buffered without end.
    static constexpr std::size_t kMaxPayload = 1 << 20;

    enum class Result { kOk, kMalformed, kTooLong };

    // Takes the bytes that arrived and appends each payload they complete to `payloads`, those
    // before a fault included. After kMalformed or kTooLong the reader stays failed and takes
    // nothing more: the stream has lost its framing. Malformed: a length that is empty, has
    // leading zeros ("0" itself is fine), more than 7 digits or a non-digit, or a ':' or ','
    // missing where it belongs.
    Result Feed(std::string_view bytes, std::vector<std::string>& payloads);

  private:
    enum class State { kLength, kPayload, kComma, kFailed };

    Result Fail(Result why);

    State state_ = State::kLength;
    Result failure_ = Result::kOk;
    std::size_t lengthDigits_ = 0;
    std::size_t length_ = 0;
    std::string payload_;
};

}  // namespace baresip
