// Reading and writing "host:port".
#include "platform/tcp/TcpAddress.h"

#include <gtest/gtest.h>

#include <string>

namespace platform {
namespace {

TEST(ParseTcpAddress, SplitsHostAndPort) {
    const struct {
        const char* text;
        const char* host;
        std::uint16_t port;
    } cases[] = {
        {"127.0.0.1:4444", "127.0.0.1", 4444},
        {"localhost:1", "localhost", 1},
        {"pbx.example.org:65535", "pbx.example.org", 65535},
        {"[::1]:5060", "::1", 5060},
        {"[fe80::1%eth0]:80", "fe80::1%eth0", 80},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<TcpAddress> address = ParseTcpAddress(c.text);
        ASSERT_TRUE(address.has_value());
        EXPECT_EQ(c.host, address->host);
        EXPECT_EQ(c.port, address->port);
        EXPECT_EQ(c.text, FormatTcpAddress(address->host, address->port));
    }
}

TEST(ParseTcpAddress, RefusesMalformedTextAndPortsOutOfRange) {
    const char* const cases[] = {
        "",           "localhost",      "localhost:", ":4444",     "localhost:0", "host:65536",
        "host:99999", "host:123456",    "host:+80",   "host:-1",   "host:080",    "host:80 ",
        " host:80",   "ho st:80",       "host:8o",    "::1:5060",  "[::1]",       "[::1]5060",
        "[::1]:",     "[localhost]:80", "[]:80",      "[::1:80",   "::1]:80",     "a:b:80",
        "host:80:80", "[::1]:80x",      "host\t:80",  "[::1]]:80", "host]:80",
    };
    for (const char* text : cases) {
        EXPECT_FALSE(ParseTcpAddress(text).has_value()) << '"' << text << '"';
    }
}

}  // namespace
}  // namespace platform
