// Netstring framing, incremental and bounded.
#include "bridge/baresip/Netstring.h"

#include <algorithm>

namespace baresip {
namespace {

// Enough for kMaxPayload; a longer length could only be refused anyway.
constexpr std::size_t kMaxLengthDigits = 7;

}  // namespace

std::string EncodeNetstring(std::string_view payload) {
    std::string frame = std::to_string(payload.size());
    frame += ':';
    frame += payload;
    frame += ',';
    return frame;
}

NetstringReader::Result NetstringReader::Feed(std::string_view bytes,
                                              std::vector<std::string>& payloads) {
    while (!bytes.empty()) {
        switch (state_) {
            case State::kLength: {
                const char c = bytes.front();
                bytes.remove_prefix(1);
                if (c == ':' && lengthDigits_ > 0) {
                    if (length_ > kMaxPayload) {
                        return Fail(Result::kTooLong);
                    }
                    state_ = length_ == 0 ? State::kComma : State::kPayload;
                } else if (c < '0' || c > '9' || lengthDigits_ == kMaxLengthDigits ||
                           (lengthDigits_ == 1 && length_ == 0)) {
                    return Fail(Result::kMalformed);
                } else {
                    length_ = length_ * 10 + static_cast<std::size_t>(c - '0');
                    ++lengthDigits_;
                }
                break;
            }
            case State::kPayload: {
                const std::size_t take = std::min(bytes.size(), length_ - payload_.size());
                payload_.append(bytes.substr(0, take));
                bytes.remove_prefix(take);
                if (payload_.size() == length_) {
                    state_ = State::kComma;
                }
                break;
            }
            case State::kComma:
                if (bytes.front() != ',') {
                    return Fail(Result::kMalformed);
                }
                bytes.remove_prefix(1);
                payloads.push_back(std::move(payload_));
                payload_.clear();
                state_ = State::kLength;
                lengthDigits_ = 0;
                length_ = 0;
                break;
            case State::kFailed:
                return failure_;
        }
    }
    return failure_;
}

NetstringReader::Result NetstringReader::Fail(Result why) {
    state_ = State::kFailed;
    failure_ = why;
    payload_.clear();
    return why;
}

}  // namespace baresip
