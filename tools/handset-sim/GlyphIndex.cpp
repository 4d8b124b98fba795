// Reading .hex lines, and the index from pictures to characters.
#include "tools/handset-sim/GlyphIndex.h"

#include <algorithm>

namespace handset_sim {
namespace {

constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char32_t kSurrogatesFirst = 0xD800;
constexpr char32_t kSurrogatesLast = 0xDFFF;
// Not a code point: marks a left half that several characters share.
constexpr char32_t kShared = 0xFFFFFFFF;

std::optional<std::uint8_t> HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint8_t>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<std::uint8_t>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<std::uint8_t>(c - 'a' + 10);
    }
    return std::nullopt;
}

// Keeps the lowest code point for a picture several characters share.
template <typename Map, typename Key>
void KeepLowest(Map& map, const Key& key, char32_t codePoint) {
    const auto [entry, added] = map.try_emplace(key, codePoint);
    if (!added) {
        entry->second = std::min(entry->second, codePoint);
    }
}

}  // namespace

std::optional<HexGlyph> ParseHexLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon < 4 || colon > 6) {
        return std::nullopt;
    }
    HexGlyph glyph;
    for (const char c : line.substr(0, colon)) {
        const std::optional<std::uint8_t> digit = HexDigit(c);
        if (!digit) {
            return std::nullopt;
        }
        glyph.codePoint = glyph.codePoint << 4 | *digit;
    }
    if (glyph.codePoint > kLastCodePoint ||
        (glyph.codePoint >= kSurrogatesFirst && glyph.codePoint <= kSurrogatesLast)) {
        return std::nullopt;
    }
    const std::string_view digits = line.substr(colon + 1);
    if (digits.size() != 2 * kGlyphHeight && digits.size() != 4 * kGlyphHeight) {
        return std::nullopt;
    }
    glyph.wide = digits.size() == 4 * kGlyphHeight;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const std::optional<std::uint8_t> high = HexDigit(digits[i]);
        const std::optional<std::uint8_t> low = HexDigit(digits[i + 1]);
        if (!high || !low) {
            return std::nullopt;
        }
        glyph.bitmap[i / 2] = static_cast<std::uint8_t>(*high << 4 | *low);
    }
    return glyph;
}

NarrowBitmap LeftHalf(const WideBitmap& bitmap) {
    NarrowBitmap half{};
    for (std::size_t y = 0; y < kGlyphHeight; ++y) {
        half[y] = bitmap[2 * y];
    }
    return half;
}

GlyphIndex GlyphIndex::FromHexText(std::string_view hexText) {
    GlyphIndex index;
    while (!hexText.empty()) {
        const std::size_t end = hexText.find('\n');
        if (const std::optional<HexGlyph> glyph = ParseHexLine(hexText.substr(0, end))) {
            index.Add(*glyph);
        }
        hexText.remove_prefix(end == std::string_view::npos ? hexText.size() : end + 1);
    }
    return index;
}

void GlyphIndex::Add(const HexGlyph& glyph) {
    if (!glyph.wide) {
        NarrowBitmap bitmap{};
        std::copy_n(glyph.bitmap.begin(), bitmap.size(), bitmap.begin());
        KeepLowest(narrow_, bitmap, glyph.codePoint);
        return;
    }
    KeepLowest(wide_, glyph.bitmap, glyph.codePoint);
    const auto [entry, added] = leftHalves_.try_emplace(LeftHalf(glyph.bitmap), glyph.codePoint);
    if (!added && entry->second != glyph.codePoint) {
        entry->second = kShared;
    }
}

std::optional<char32_t> GlyphIndex::Narrow(const NarrowBitmap& bitmap) const {
    const auto entry = narrow_.find(bitmap);
    return entry == narrow_.end() ? std::nullopt : std::optional(entry->second);
}

std::optional<char32_t> GlyphIndex::Wide(const WideBitmap& bitmap) const {
    const auto entry = wide_.find(bitmap);
    return entry == wide_.end() ? std::nullopt : std::optional(entry->second);
}

std::optional<char32_t> GlyphIndex::WideByLeftHalf(const NarrowBitmap& half) const {
    const auto entry = leftHalves_.find(half);
    return entry == leftHalves_.end() || entry->second == kShared ? std::nullopt
                                                                  : std::optional(entry->second);
}

}  // namespace handset_sim
