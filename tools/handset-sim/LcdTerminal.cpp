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

std::string RenderLcd(const Screen& lcd) {
    constexpr std::string_view kUpper = "\u2580";
    constexpr std::string_view kLower = "\u2584";
    constexpr std::string_view kFull = "\u2588";
    std::string text;
    for (std::size_t row = 0; row < kScreenHeight / 2; ++row) {
        for (std::size_t x = 0; x < kScreenWidth; ++x) {
            const bool upper = IsDark(lcd, x, 2 * row);
            const bool lower = IsDark(lcd, x, 2 * row + 1);
            text += upper && lower ? kFull : upper ? kUpper : lower ? kLower : " ";
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
