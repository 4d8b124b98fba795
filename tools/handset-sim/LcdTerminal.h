// The LCD and the handset's state as terminal text.
#pragma once

#include <string>

#include "tools/handset-sim/OutputDecoder.h"

namespace handset_sim {

// How many pixels a character stands for: one column of two rows (half blocks), or two columns
// of two rows (quadrant blocks), for a terminal narrower than 128 columns.
enum class LcdCells { kHalfBlocks, kQuadrants };

// 32 lines of 128 (half blocks) or 64 (quadrants) characters: the block (UTF-8) whose parts are
// dark where the pixels are, a space where they are all background.
std::string RenderLcd(const Screen& lcd, LcdCells cells = LcdCells::kHalfBlocks);

// One line: connection, light, backlight, ringer, mute, contrast, sound output, key sound,
// firmware and the transfer counts; "-" for what the host never sent.
std::string StatusLine(const HandsetState& state, bool plugged, const std::string& firmware);

}  // namespace handset_sim
