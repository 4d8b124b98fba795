// Formatting and parsing of the attach answer.
#include "platform/clientlink/ClientProtocol.h"

#include <algorithm>

namespace platform {
namespace {

constexpr std::string_view kAttachPrefix = "ATTACH ";
constexpr int kMaxStatus = 999;

bool IsIdentityChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == ':' || c == '-';
}

}  // namespace

bool IsValidIdentity(std::string_view identity) {
    return !identity.empty() && identity.size() <= kMaxIdentityBytes &&
           std::all_of(identity.begin(), identity.end(), IsIdentityChar);
}

std::string FormatAttachAnswer(const AttachAnswer& answer) {
    if (answer.status < 0 || answer.status > kMaxStatus || !IsValidIdentity(answer.identity)) {
        return {};
    }
    return std::string(kAttachPrefix) + std::to_string(answer.status) + " " + answer.identity;
}

std::optional<AttachAnswer> ParseAttachAnswer(std::string_view frame) {
    if (!frame.starts_with(kAttachPrefix)) {
        return std::nullopt;
    }
    frame.remove_prefix(kAttachPrefix.size());
    const std::size_t space = frame.find(' ');
    if (space == 0 || space == std::string_view::npos || space > 3) {
        return std::nullopt;
    }
    int status = 0;
    for (char c : frame.substr(0, space)) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        status = status * 10 + (c - '0');
    }
    const std::string_view identity = frame.substr(space + 1);
    if (!IsValidIdentity(identity)) {
        return std::nullopt;
    }
    return AttachAnswer{status, std::string(identity)};
}

}  // namespace platform
