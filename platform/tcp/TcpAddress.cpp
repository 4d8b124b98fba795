// Splitting and joining "host:port".
#include "platform/tcp/TcpAddress.h"

#include <algorithm>

namespace platform {
namespace {

constexpr std::size_t kMaxPortDigits = 5;

std::optional<std::uint16_t> ParsePort(std::string_view digits) {
    if (digits.empty() || digits.size() > kMaxPortDigits || digits.front() == '0') {
        return std::nullopt;
    }
    unsigned value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

// Printable ASCII without blanks or brackets: what names and numeric addresses are made of. A
// stray character is a typing mistake better reported here than as a failed name look-up.
bool IsHostText(std::string_view host) {
    return !host.empty() && std::all_of(host.begin(), host.end(), [](char c) {
        return c > ' ' && c < 0x7F && c != '[' && c != ']';
    });
}

}  // namespace

std::optional<TcpAddress> ParseTcpAddress(std::string_view text) {
    std::string_view host;
    std::string_view rest;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        host = text.substr(1, close - 1);
        rest = text.substr(close + 1);
        if (host.find(':') == std::string_view::npos) {
            return std::nullopt;
        }
    } else {
        const std::size_t colon = text.find(':');
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        host = text.substr(0, colon);
        rest = text.substr(colon);
        if (rest.find(':', 1) != std::string_view::npos) {
            return std::nullopt;  // an IPv6 address without brackets: where its port starts is a
                                  // guess
        }
    }
    if (!IsHostText(host) || !rest.starts_with(':')) {
        return std::nullopt;
    }
    const std::optional<std::uint16_t> port = ParsePort(rest.substr(1));
    if (!port) {
        return std::nullopt;
    }
    return TcpAddress{std::string(host), *port};
}

std::string FormatTcpAddress(std::string_view host, std::uint16_t port) {
    std::string text;
    if (host.find(':') != std::string_view::npos) {
        text += '[';
        text += host;
        text += ']';
    } else {
        text += host;
    }
    text += ':';
    text += std::to_string(port);
    return text;
}

}  // namespace platform
