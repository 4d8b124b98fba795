// The .hex parser and the glyph index.
#include "platform/font/HexFont.h"

#include <algorithm>
#include <array>

#include "platform/text/DigitValue.h"

namespace platform {
namespace {

constexpr std::size_t kNarrowDigits = 32;
constexpr std::size_t kWideDigits = 64;
constexpr std::size_t kMaxCodeDigits = 8;
constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char32_t kReplacementCharacter = 0xFFFD;

constexpr std::array<std::uint8_t, kGlyphHeight> kBlankHalfCell{};

int HexValue(char c) {
    const int value = DigitValue(c);
    return value < 16 ? value : -1;
}

std::optional<char32_t> ParseCode(std::string_view digits) {
    if (digits.empty() || digits.size() > kMaxCodeDigits) {
        return std::nullopt;
    }
    char32_t code = 0;
    for (const char c : digits) {
        const int value = HexValue(c);
        if (value < 0) {
            return std::nullopt;
        }
        code = code << 4 | static_cast<char32_t>(value);
    }
    if (code > kLastCodePoint) {
        return std::nullopt;
    }
    return code;
}

// Appends the glyph's bytes; false (and nothing appended) when a digit is not hexadecimal.
bool AppendBits(std::string_view digits, std::vector<std::uint8_t>& out) {
    const std::size_t start = out.size();
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        const int high = HexValue(digits[i]);
        const int low = HexValue(digits[i + 1]);
        if (high < 0 || low < 0) {
            out.resize(start);
            return false;
        }
        out.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return true;
}

std::string_view TrimLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
        line.remove_suffix(1);
    }
    return line;
}

}  // namespace

HexFont HexFont::Parse(std::string_view text) {
    HexFont font;
    // Two hex digits a byte: the bitmaps never outgrow this, so they are never copied while the
    // file's text is still held (Unifont: 1.7 MB of glyphs, 3.7 MB of text). Its lines are 38 or
    // 70 bytes, mostly the latter.
    font.entries_.reserve(text.size() / 60);
    font.bitmaps_.reserve(text.size() / 2);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = TrimLineEnd(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty()) {
            continue;
        }
        const std::size_t colon = line.find(':');
        const std::string_view bits =
            colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
        const std::optional<char32_t> code =
            colon == std::string_view::npos ? std::nullopt : ParseCode(line.substr(0, colon));
        const std::size_t offset = font.bitmaps_.size();
        if (!code || (bits.size() != kNarrowDigits && bits.size() != kWideDigits) ||
            !AppendBits(bits, font.bitmaps_)) {
            ++font.skipped_;
            continue;
        }
        font.entries_.push_back(
            Entry{*code, bits.size() == kWideDigits ? 1u : 0u, static_cast<std::uint32_t>(offset)});
    }
    const auto byCode = [](const Entry& a, const Entry& b) { return a.code < b.code; };
    std::stable_sort(font.entries_.begin(), font.entries_.end(), byCode);
    const auto sameCode = [](const Entry& a, const Entry& b) { return a.code == b.code; };
    font.entries_.erase(std::unique(font.entries_.begin(), font.entries_.end(), sameCode),
                        font.entries_.end());
    return font;
}

GlyphView HexFont::View(std::size_t index) const {
    const Entry& entry = entries_[index];
    const int width = entry.wide != 0 ? 16 : 8;
    return GlyphView{width, std::span<const std::uint8_t>(bitmaps_).subspan(
                                entry.offset, static_cast<std::size_t>(width / 8 * kGlyphHeight))};
}

std::optional<GlyphView> HexFont::Find(char32_t code) const {
    const auto found =
        std::lower_bound(entries_.begin(), entries_.end(), code,
                         [](const Entry& entry, char32_t wanted) { return entry.code < wanted; });
    if (found == entries_.end() || found->code != code) {
        return std::nullopt;
    }
    return View(static_cast<std::size_t>(found - entries_.begin()));
}

GlyphView HexFont::Replacement() const {
    if (const std::optional<GlyphView> glyph = Find(kReplacementCharacter)) {
        return *glyph;
    }
    return BlankHalfCell();
}

GlyphView HexFont::BlankHalfCell() {
    return GlyphView{8, kBlankHalfCell};
}

std::size_t HexFont::MemoryBytes() const {
    return entries_.capacity() * sizeof(Entry) + bitmaps_.capacity();
}

}  // namespace platform
