// The input reports the handset sends: a key press and its firmware version.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tools/handset-sim/HandsetWire.h"

namespace handset_sim {

inline constexpr std::size_t kFirmwareCharacters = 5;

// 00 00 01 <scan code> and five zeros.
InputReport KeyReport(std::uint8_t scanCode);
// 00 00 04, the first five characters of `version` padded with 0, then 0.
InputReport FirmwareReport(std::string_view version);

}  // namespace handset_sim
