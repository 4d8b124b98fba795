// PNG pictures of the LCD, written without a compression library: zlib's stored blocks.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/LcdFrame.h"

namespace handset_sim {

inline constexpr unsigned kMaxPngScale = 16;

// A grey-scale PNG of `lcd`, each LCD pixel `scale` x `scale` picture pixels (scale 1 to
// kMaxPngScale; others are brought into that range): dark pixels black, the rest white.
std::vector<std::uint8_t> EncodeLcdPng(const LCDFrame& lcd, unsigned scale);

// The checksums PNG needs: CRC-32 of its chunks and zlib's Adler-32.
std::uint32_t Crc32(std::span<const std::uint8_t> data);
std::uint32_t Adler32(std::span<const std::uint8_t> data);

}  // namespace handset_sim
