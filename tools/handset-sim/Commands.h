// The handset simulator's typed commands, one a line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace handset_sim {

struct Command {
    enum class Kind {
        None,      // an empty line
        Key,       // a scan code, 0..255, decimal or 0x hexadecimal: one key report
        Firmware,  // "fw TEXT": a firmware report of TEXT's first five characters
        Plug,      // "plug"
        Unplug,    // "unplug"
        Quit,      // "quit"
        Invalid,   // anything else, or a number out of range
    };
    Command(Kind k = Kind::None, std::uint8_t code = 0, std::string t = {})
        : kind(k), scanCode(code), text(std::move(t)) {}
    Kind kind = Kind::None;
    std::uint8_t scanCode = 0;
    std::string text;
};

// Blanks around the line are ignored.
Command ParseCommand(std::string_view line);

}  // namespace handset_sim
