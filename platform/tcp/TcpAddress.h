// The "host:port" text by which people name a TCP endpoint, read and written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct TcpAddress {
    std::string host;
    std::uint16_t port;
};

// "host:port", or "[v6 address]:port" since an IPv6 address holds colons itself. Nothing when
// the text is malformed (an empty host, brackets around a name, blanks, a port with a sign or a
// leading zero) or the port is not 1..65535.
std::optional<TcpAddress> ParseTcpAddress(std::string_view text);

// The inverse of ParseTcpAddress: a host with a colon is put in brackets.
std::string FormatTcpAddress(std::string_view host, std::uint16_t port);

}  // namespace platform
