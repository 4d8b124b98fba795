// The handset simulator's typed commands: scan codes, "fw TEXT", plug, unplug, quit.
#include "tools/handset-sim/Commands.h"

#include <charconv>

namespace handset_sim {
namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace

Command ParseCommand(std::string_view line) {
    const std::string_view text = Trim(line);
    if (text.empty()) {
        return {};
    }
    if (text == "plug") {
        return {Command::Kind::Plug};
    }
    if (text == "unplug") {
        return {Command::Kind::Unplug};
    }
    if (text == "quit") {
        return {Command::Kind::Quit};
    }
    if (text.starts_with("fw ") || text.starts_with("fw\t")) {
        return {Command::Kind::Firmware, 0, std::string(Trim(text.substr(3)))};
    }
    std::string_view digits = text;
    int base = 10;
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        digits.remove_prefix(2);
        base = 16;
    }
    unsigned code = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), code, base);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        code > 255) {
        return {Command::Kind::Invalid};
    }
    return {Command::Kind::Key, static_cast<std::uint8_t>(code)};
}

}  // namespace handset_sim
