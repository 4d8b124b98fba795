// The display transfer's CRC-16, bit by bit as the handset computes it: no table to get wrong.
#include "tools/handset-sim/DisplayChecksum.h"

namespace handset_sim {

std::uint16_t DisplayChecksum(std::span<const std::uint8_t> data) {
    constexpr std::uint16_t kPolynomial = 0x1021;
    std::uint16_t crc = 0xFFFF;
    for (const std::uint8_t byte : data) {
        for (int bit = 0; bit < 8; ++bit) {
            const bool feedback = ((crc >> 15) & 1) != ((byte >> bit) & 1);
            crc = static_cast<std::uint16_t>(crc << 1);
            if (feedback) {
                crc ^= kPolynomial;
            }
        }
    }
    return crc;
}

}  // namespace handset_sim
