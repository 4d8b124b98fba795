// PNG pictures of the LCD: its pixels as a 1-bit picture, each pixel a square, written by the
// platform's PNG writer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/png/PngWriter.h"
#include "tools/handset-sim/HandsetWire.h"

namespace handset_sim {

inline constexpr unsigned kMaxPngScale = 16;

// A 1-bit grey PNG of `lcd`, 128 * scale x 64 * scale, each LCD pixel `scale` x `scale` picture
// pixels (scale 1 to kMaxPngScale; others are brought into that range): dark pixels black, the
// rest white. Empty when it cannot be encoded.
std::vector<std::uint8_t> EncodeLcdPng(const Screen& lcd, unsigned scale);

// The same picture as the file `path`, replaced whole.
platform::PngResult WriteLcdPng(const std::filesystem::path& path, const Screen& lcd,
                                unsigned scale);

}  // namespace handset_sim
