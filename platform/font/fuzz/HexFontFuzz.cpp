// libFuzzer target: the .hex parser on arbitrary text.
//
// Checks: nothing crashes or reads outside the text; every glyph has 8 or 16 columns and its
// rows; a code point on a well-formed line is found, with the bits of its first such line.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "platform/font/HexFont.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

int Digit(char c) {
    const std::string_view digits = "0123456789ABCDEFabcdef";
    const std::size_t at = digits.find(c);
    return at == std::string_view::npos ? -1 : static_cast<int>(at < 16 ? at : at - 6);
}

// The line's code point and bits when it is well formed, by the format's plain rules.
bool ReadLine(std::string_view line, char32_t& code, std::string& bytes) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
        line.remove_suffix(1);
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 8) {
        return false;
    }
    std::uint64_t value = 0;
    for (const char c : line.substr(0, colon)) {
        if (Digit(c) < 0) {
            return false;
        }
        value = value * 16 + static_cast<std::uint64_t>(Digit(c));
    }
    const std::string_view bits = line.substr(colon + 1);
    if (value > 0x10FFFF || (bits.size() != 32 && bits.size() != 64)) {
        return false;
    }
    bytes.clear();
    for (std::size_t i = 0; i < bits.size(); i += 2) {
        if (Digit(bits[i]) < 0 || Digit(bits[i + 1]) < 0) {
            return false;
        }
        bytes += static_cast<char>(Digit(bits[i]) * 16 + Digit(bits[i + 1]));
    }
    code = static_cast<char32_t>(value);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const platform::HexFont font = platform::HexFont::Parse(text);
    std::set<char32_t> seen;
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        char32_t code = 0;
        std::string bytes;
        if (!ReadLine(line, code, bytes)) {
            continue;
        }
        const auto glyph = font.Find(code);
        Check(glyph.has_value());
        Check(glyph->width == 8 || glyph->width == 16);
        Check(glyph->rows.size() == static_cast<std::size_t>(glyph->width / 8 * 16));
        if (seen.insert(code).second) {
            Check(std::string_view(reinterpret_cast<const char*>(glyph->rows.data()),
                                   glyph->rows.size()) == bytes);
        }
    }
    Check(font.GlyphCount() == seen.size());
    const platform::GlyphView replacement = font.Replacement();
    Check(replacement.rows.size() == static_cast<std::size_t>(replacement.width / 8 * 16));
    return 0;
}
