// The complete 128 x 64 screen: 8 pages of 128 bytes, pixel (x, y) at bit y % 8 of byte
// x + 128 * (y / 8), 1 dark.
#pragma once

#include <array>
#include <cstdint>

using LCDFrame = std::array<std::uint8_t, 1024>;
static_assert(sizeof(LCDFrame) == 1024);
