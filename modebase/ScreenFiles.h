// The two picture formats a mode's screen is made of: a 24-bit Windows bitmap that fills the LCD,
// and a 32-byte 16 x 16 icon in the LCD's own page layout. Only the bytes are read here; whatever
// a damaged or foreign file holds, nothing is read or written outside a buffer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "common/LcdFrame.h"

// A picture pixel is dark unless all three colour values are above 15.
bool IsDarkColour(int red, int green, int blue);

// The LCD image of a bitmap file: uncompressed, 24 bits a pixel, rows bottom-up and padded to
// 4 bytes. Wider pictures show their left 128 columns, taller ones their top 64 rows; a smaller
// one is drawn from the top-left corner on background. Nothing when the file is shorter than its
// header or its pixels, not 24-bit, compressed, top-down (negative height), or has a width or
// height of 0 or over kMaxPictureSide.
inline constexpr std::int32_t kMaxPictureSide = 1 << 16;
std::optional<LCDFrame> DecodePicture(std::string_view file);

using IconBits = std::array<std::uint8_t, 32>;
// The icon in the file's first 32 bytes; nothing for a shorter file.
std::optional<IconBits> DecodeIcon(std::string_view file);

// Copies the icon's upper half over bytes 128 * page + column .. + 15 and its lower half over
// the same columns of the next page. False, and nothing changed, unless page is 0..6 and column
// 0..112, which keeps the icon inside the frame.
bool PlaceIcon(LCDFrame& frame, const IconBits& icon, int page, int column);
