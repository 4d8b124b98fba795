// Reading icon art.
#include "tools/icon-compiler/IconArt.h"

namespace icon_compiler {

namespace {
constexpr int kSide = 16;
}  // namespace

std::optional<IconBytes> ParseIconArt(std::string_view art, std::string& problem) {
    IconBytes icon{};
    int y = 0;
    while (!art.empty()) {
        const std::size_t end = art.find('\n');
        const std::string_view line = art.substr(0, end);
        art.remove_prefix(end == std::string_view::npos ? art.size() : end + 1);
        if (y == kSide || line.size() != kSide) {
            problem = "line " + std::to_string(y + 1) + ": an icon is 16 lines of 16 characters";
            return std::nullopt;
        }
        for (int x = 0; x < kSide; ++x) {
            const char c = line[static_cast<std::size_t>(x)];
            if (c != '#' && c != '.') {
                problem = "line " + std::to_string(y + 1) + ": '#' or '.' only";
                return std::nullopt;
            }
            if (c == '#') {
                icon[static_cast<std::size_t>(x + (y / 8) * kSide)] |=
                    static_cast<std::uint8_t>(1u << (y % 8));
            }
        }
        ++y;
    }
    if (y != kSide) {
        problem = "an icon is 16 lines, not " + std::to_string(y);
        return std::nullopt;
    }
    return icon;
}

bool IsDark(const IconBytes& icon, int x, int y) {
    return (icon[static_cast<std::size_t>(x + (y / 8) * kSide)] >> (y % 8) & 1) != 0;
}

}  // namespace icon_compiler
