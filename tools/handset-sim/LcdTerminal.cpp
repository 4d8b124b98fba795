// The LCD as Unicode half blocks, and the handset's state as one status line.
#include "tools/handset-sim/LcdTerminal.h"

#include <string_view>

namespace handset_sim {
namespace {

std::string Value(const std::optional<std::uint8_t>& value) {
    return value ? std::to_string(*value) : "-";
}

std::string OnOff(const std::optional<std::uint8_t>& value) {
    return value ? (*value != 0 ? "on" : "off") : "-";
}

}  // namespace

std::string RenderLcd(const Screen& lcd, LcdCells cells) {
    // By the dark pixels of a cell: upper left 1, upper right 2, lower left 4, lower right 8. A
    // half block's pixel fills its cell's width: it counts as both columns.
    static constexpr std::string_view kBlocks[16] = {
        " ",      "\u2598", "\u259D", "\u2580", "\u2596", "\u258C", "\u259E", "\u259B",
        "\u2597", "\u259A", "\u2590", "\u259C", "\u2584", "\u2599", "\u259F", "\u2588"};
    const std::size_t width = cells == LcdCells::kQuadrants ? 2 : 1;
    std::string text;
    for (std::size_t y = 0; y < kScreenHeight; y += 2) {
        for (std::size_t x = 0; x < kScreenWidth; x += width) {
            unsigned parts = (IsDark(lcd, x, y) ? 1u : 0u) | (IsDark(lcd, x, y + 1) ? 4u : 0u);
            if (width == 2) {
                parts |= (IsDark(lcd, x + 1, y) ? 2u : 0u) | (IsDark(lcd, x + 1, y + 1) ? 8u : 0u);
            } else {
                parts |= parts << 1;
            }
            text += kBlocks[parts];
        }
        text += '\n';
    }
    return text;
}

std::string StatusLine(const HandsetState& state, bool plugged, const std::string& firmware) {
    std::string ringer = "-";
    if (state.ringer) {
        ringer = *state.ringer == 0 ? "off" : "melody " + std::to_string(*state.ringer);
    }
    std::string output = "-";
    if (state.soundOutput) {
        output = *state.soundOutput == 0   ? "handset"
                 : *state.soundOutput == 1 ? "hands-free"
                                           : std::to_string(*state.soundOutput);
    }
    return std::string(plugged ? "plugged" : "unplugged") + " | light " +
           OnOff(state.displayLight) + " | backlight " + OnOff(state.keypadBacklight) +
           " | ringer " + ringer + " | mute " + OnOff(state.micMute) + " | contrast " +
           Value(state.contrast) + " | output " + output + " | key sound " + Value(state.keySound) +
           " | firmware " + (firmware.empty() ? "-" : firmware) + " | shown " +
           std::to_string(state.transfersShown) + ", rejected " +
           std::to_string(state.transfersRejected);
}

}  // namespace handset_sim
