// Profile text: line scanning, the lookup of one key and the splice that sets it.
#include "platform/profile/ProfileText.h"

#include <cstdint>

#include "platform/text/DigitValue.h"

namespace platform {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t\r\v\f";
// GetPrivateProfileIntW reads the value into a buffer of 30 wide characters.
constexpr std::size_t kIntValueChars = 29;

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::size_t ContentStart(std::string_view text) {
    return text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
}

// Offsets of one line in the text: [begin, bodyEnd) is the line, [bodyEnd, end) its line end.
struct Line {
    std::size_t begin = 0;
    std::size_t bodyEnd = 0;
    std::size_t end = 0;

    std::string_view Body(std::string_view text) const {
        return text.substr(begin, bodyEnd - begin);
    }
    bool HasLineEnd() const { return end > bodyEnd; }
};

Line LineAt(std::string_view text, std::size_t begin) {
    const auto lf = text.find('\n', begin);
    if (lf == std::string_view::npos) {
        return {begin, text.size(), text.size()};
    }
    const std::size_t bodyEnd = (lf > begin && text[lf - 1] == '\r') ? lf - 1 : lf;
    return {begin, bodyEnd, lf + 1};
}

enum class LineKind { kOther, kSection, kKey };

struct ParsedLine {
    LineKind kind = LineKind::kOther;
    std::string_view name;
    std::string_view value;
    std::size_t equalsOffset = 0;
    // Where a rewritten value starts in the line: after the '=' and the blanks that follow it
    // (the end of the line when only blanks follow).
    std::size_t valueOffset = 0;
};

std::string_view CleanValue(std::string_view raw) {
    raw = Trim(raw.substr(0, raw.find('\0')));
    if (raw.size() >= 2 && raw.front() == raw.back() &&
        (raw.front() == '"' || raw.front() == '\'')) {
        raw = raw.substr(1, raw.size() - 2);
    }
    return raw;
}

ParsedLine Classify(std::string_view body) {
    ParsedLine parsed;
    if (body.size() > kMaxProfileLineBytes) {
        return parsed;
    }
    const std::string_view trimmed = Trim(body);
    if (trimmed.empty() || trimmed.front() == ';') {
        return parsed;
    }
    if (trimmed.front() == '[') {
        const auto close = trimmed.find(']');
        if (close != std::string_view::npos) {
            parsed.kind = LineKind::kSection;
            parsed.name = Trim(trimmed.substr(1, close - 1));
        }
        return parsed;
    }
    const auto equals = body.find('=');
    if (equals == std::string_view::npos) {
        return parsed;
    }
    parsed.name = Trim(body.substr(0, equals));
    if (parsed.name.empty()) {
        return parsed;
    }
    parsed.kind = LineKind::kKey;
    parsed.equalsOffset = equals;
    parsed.value = CleanValue(body.substr(equals + 1));
    const auto valueStart = body.find_first_not_of(kBlanks, equals + 1);
    parsed.valueOffset = valueStart == std::string_view::npos ? body.size() : valueStart;
    return parsed;
}

// What a lookup or an edit needs to know about the first section of a name.
struct SectionScan {
    std::optional<Line> header;
    std::optional<Line> lastKey;
    std::optional<Line> match;
    ParsedLine matchParsed;
};

// Walks the text up to the end of the first section named `section`.
SectionScan Scan(std::string_view text, std::string_view section, std::string_view key) {
    SectionScan scan;
    for (std::size_t pos = ContentStart(text); pos < text.size();) {
        const Line line = LineAt(text, pos);
        pos = line.end;
        const ParsedLine parsed = Classify(line.Body(text));
        if (parsed.kind == LineKind::kSection) {
            if (scan.header) {
                break;
            }
            if (EqualsIgnoringAsciiCase(parsed.name, section)) {
                scan.header = line;
            }
        } else if (parsed.kind == LineKind::kKey && scan.header) {
            scan.lastKey = line;
            if (!scan.match && EqualsIgnoringAsciiCase(parsed.name, key)) {
                scan.match = line;
                scan.matchParsed = parsed;
            }
        }
    }
    return scan;
}

std::string_view LineEndOf(std::string_view text) {
    const auto lf = text.find('\n');
    return (lf != std::string_view::npos && lf > 0 && text[lf - 1] == '\r') ? "\r\n" : "\n";
}

bool EndsWithBlankLine(std::string_view text) {
    const std::string_view content = text.substr(ContentStart(text));
    if (content.empty()) {
        return true;
    }
    const std::string_view withoutLast = content.substr(0, content.size() - 1);
    const auto previous = withoutLast.rfind('\n');
    const auto lastLine =
        previous == std::string_view::npos ? withoutLast : withoutLast.substr(previous + 1);
    return Trim(lastLine).empty();
}

bool HasAny(std::string_view text, std::string_view characters) {
    return text.find_first_of(characters) != std::string_view::npos;
}

constexpr std::string_view kLineBreaksAndNul{"\r\n\0", 3};

bool IsWritableSection(std::string_view section) {
    return !section.empty() && !HasAny(section, kLineBreaksAndNul) && !HasAny(section, "]") &&
           section.size() + 2 <= kMaxProfileLineBytes;
}

bool IsWritableKey(std::string_view key) {
    return !key.empty() && !HasAny(key, kLineBreaksAndNul) && !HasAny(key, "=") &&
           key.front() != '[' && key.front() != ';';
}

}  // namespace

std::optional<std::string_view> FindProfileValue(std::string_view text, std::string_view section,
                                                 std::string_view key) {
    section = Trim(section);
    key = Trim(key);
    if (section.empty() || key.empty()) {
        return std::nullopt;
    }
    const SectionScan scan = Scan(text, section, key);
    if (!scan.match) {
        return std::nullopt;
    }
    return scan.matchParsed.value;
}

std::optional<std::string> SetProfileValue(std::string_view text, std::string_view section,
                                           std::string_view key, std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    if (!IsWritableSection(section) || !IsWritableKey(key) || HasAny(value, kLineBreaksAndNul)) {
        return std::nullopt;
    }
    const SectionScan scan = Scan(text, section, key);
    const std::string_view eol = LineEndOf(text);
    std::string out;
    out.reserve(text.size() + section.size() + key.size() + value.size() + 8);

    if (scan.match) {
        const Line& line = *scan.match;
        // A value that brings its own leading blanks replaces the old ones, so rewriting the
        // same value never makes the line grow.
        const bool ownBlanks =
            !value.empty() && kBlanks.find(value.front()) != std::string_view::npos;
        const std::size_t prefixEnd = line.begin + (ownBlanks ? scan.matchParsed.equalsOffset + 1
                                                              : scan.matchParsed.valueOffset);
        if (prefixEnd - line.begin + value.size() > kMaxProfileLineBytes) {
            return std::nullopt;
        }
        out.append(text.substr(0, prefixEnd)).append(value).append(text.substr(line.bodyEnd));
        return out;
    }

    if (key.size() + 1 + value.size() > kMaxProfileLineBytes) {
        return std::nullopt;
    }
    if (scan.header) {
        const Line& after = scan.lastKey ? *scan.lastKey : *scan.header;
        out.append(text.substr(0, after.end));
        if (!after.HasLineEnd()) {
            out.append(eol);
        }
        out.append(key).append("=").append(value).append(eol);
        out.append(text.substr(after.end));
        return out;
    }

    out.append(text);
    if (out.size() > ContentStart(out) && out.back() != '\n') {
        out.append(eol);
    }
    if (!EndsWithBlankLine(out)) {
        out.append(eol);
    }
    out.append("[").append(section).append("]").append(eol);
    out.append(key).append("=").append(value).append(eol);
    return out;
}

int ParseProfileInt(std::string_view value, int defaultValue) {
    if (value.empty()) {
        return defaultValue;
    }
    value = value.substr(0, kIntValueChars);
    std::size_t i = 0;
    while (i < value.size() && static_cast<unsigned char>(value[i]) <= ' ') {
        ++i;
    }
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    int base = 10;
    if (i + 1 < value.size() && value[i] == '0') {
        switch (value[i + 1]) {
            case 'x':
                base = 16;
                break;
            case 'o':
                base = 8;
                break;
            case 'b':
                base = 2;
                break;
        }
        if (base != 10) {
            i += 2;
        }
    }
    std::uint32_t total = 0;
    for (; i < value.size(); ++i) {
        const int digit = DigitValue(value[i]);
        if (digit < 0 || digit >= base) {
            break;
        }
        total = total * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
    }
    if (negative) {
        total = 0u - total;
    }
    return static_cast<int>(total);
}

}  // namespace platform
