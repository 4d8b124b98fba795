// The handset's 16 x 16 icons as people draw them: 16 lines of 16 characters, '#' dark and '.'
// light; and as the LCD takes them: 32 bytes, the columns of the upper 8 rows, then those of the
// lower 8, bit 0 the top row of each half.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace icon_compiler {

using IconBytes = std::array<std::uint8_t, 32>;

// The icon of `art`; nothing when it is not 16 lines of 16 '#' or '.' (a final newline allowed),
// and then `problem` says where.
std::optional<IconBytes> ParseIconArt(std::string_view art, std::string& problem);

// Whether the icon's pixel (x, y) is dark.
bool IsDark(const IconBytes& icon, int x, int y);

}  // namespace icon_compiler
