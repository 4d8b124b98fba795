// The softphone transport's frames: their limits and the attach answer (docs/client-protocol.md).
//
// Every frame is a UTF-8 text followed by one NUL byte. The client's first frame on a connection
// is an attach answer, "ATTACH <status> <identity>"; a pending client may send a second one later.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The largest frame either side accepts, terminator included. A peer that sends a longer one is
// cut off.
inline constexpr std::size_t kMaxFrameBytes = 64 * 1024;
inline constexpr std::size_t kMaxFrameTextBytes = kMaxFrameBytes - 1;
inline constexpr std::size_t kMaxIdentityBytes = 64;

// The attach statuses of the desktop API.
enum AttachStatus : int {
    kAttachSuccess = 0,
    kAttachPendingAuthorization = 1,
    kAttachRefused = 2,
    kAttachNotAvailable = 3,
};

struct AttachAnswer {
    // Any number from 0 to 999 parses; only the four above have a meaning.
    int status = kAttachSuccess;
    // Names the running client; a restarted client answers with a different one.
    std::string identity;
    bool operator==(const AttachAnswer&) const = default;
};

// 1 to kMaxIdentityBytes characters out of A-Z a-z 0-9 . _ : -
bool IsValidIdentity(std::string_view identity);

// The frame text (without its terminator) of `answer`; empty when the status is not within 0 to
// 999 or the identity is invalid.
std::string FormatAttachAnswer(const AttachAnswer& answer);

// The attach answer that `frame` holds, or nothing when it is anything else: exactly "ATTACH",
// one space, one to three decimal digits, one space and a valid identity.
std::optional<AttachAnswer> ParseAttachAnswer(std::string_view frame);

}  // namespace platform
