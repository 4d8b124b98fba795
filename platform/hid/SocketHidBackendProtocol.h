// The handset socket's packets: the hello a handset opens with, and the report sizes (see
// docs/handset-socket.md).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace platform::handset_socket {

// One packet is one report, report-id byte (0) first.
inline constexpr std::size_t kInputReportSize = 9;    // handset to host
inline constexpr std::size_t kOutputReportSize = 17;  // host to handset

// The hello: "KHS", protocol version 1, then vendor id and product id, little-endian.
inline constexpr std::size_t kHelloSize = 8;
inline constexpr std::array<std::uint8_t, 4> kHelloMagic = {'K', 'H', 'S', 1};

struct DeviceIds {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    bool operator==(const DeviceIds&) const = default;
};

inline std::array<std::uint8_t, kHelloSize> EncodeHello(DeviceIds ids) {
    return {kHelloMagic[0],
            kHelloMagic[1],
            kHelloMagic[2],
            kHelloMagic[3],
            static_cast<std::uint8_t>(ids.vendorId & 0xFF),
            static_cast<std::uint8_t>(ids.vendorId >> 8),
            static_cast<std::uint8_t>(ids.productId & 0xFF),
            static_cast<std::uint8_t>(ids.productId >> 8)};
}

// Nothing unless `packet` is exactly a hello.
inline std::optional<DeviceIds> DecodeHello(std::span<const std::uint8_t> packet) {
    if (packet.size() != kHelloSize || packet[0] != kHelloMagic[0] || packet[1] != kHelloMagic[1] ||
        packet[2] != kHelloMagic[2] || packet[3] != kHelloMagic[3]) {
        return std::nullopt;
    }
    return DeviceIds{static_cast<std::uint16_t>(packet[4] | (packet[5] << 8)),
                     static_cast<std::uint16_t>(packet[6] | (packet[7] << 8))};
}

}  // namespace platform::handset_socket
