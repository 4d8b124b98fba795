// The checksum a display transfer's trailer carries over the 1024 screen bytes.
#pragma once

#include <cstdint>
#include <span>

namespace handset_sim {

// CRC-16: register 0xFFFF, polynomial 0x1021, each byte's bits least significant first, no
// final XOR. An empty input gives 0xFFFF.
std::uint16_t DisplayChecksum(std::span<const std::uint8_t> data);

}  // namespace handset_sim
