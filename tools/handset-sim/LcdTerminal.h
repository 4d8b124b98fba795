// The LCD and the handset's state as terminal text.
#pragma once

#include <string>

#include "tools/handset-sim/OutputDecoder.h"

namespace handset_sim {

// 32 lines of 128 characters, each character two pixel rows: upper half, lower half or full
// block (UTF-8) where pixels are dark, a space where both are background.
std::string RenderLcd(const Screen& lcd);

// One line: connection, light, backlight, ringer, mute, contrast, sound output, key sound,
// firmware and the transfer counts; "-" for what the host never sent.
std::string StatusLine(const HandsetState& state, bool plugged, const std::string& firmware);

}  // namespace handset_sim
