// Parsing and editing the lines of the registry file.
#include "platform/registry/RegistryText.h"

#include <algorithm>
#include <cstdio>

#include "platform/text/Utf8.h"

namespace platform {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kDwordPrefix = "dword:";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldAscii(x) == FoldAscii(y);
           });
}

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

std::optional<std::string_view> KeyOfLine(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') {
        return std::nullopt;
    }
    return line.substr(1, line.size() - 2);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads a quoted text at the start of `rest` and moves `rest` past its closing quote.
std::optional<std::string> TakeQuoted(std::string_view& rest) {
    if (rest.empty() || rest.front() != '"') {
        return std::nullopt;
    }
    std::string text;
    for (std::size_t pos = 1; pos < rest.size(); ++pos) {
        const char c = rest[pos];
        if (c == '"') {
            rest.remove_prefix(pos + 1);
            return text;
        }
        if (c != '\\') {
            text.push_back(c);
            continue;
        }
        if (++pos == rest.size()) {
            return std::nullopt;
        }
        switch (rest[pos]) {
            case '\\':
            case '"':
                text.push_back(rest[pos]);
                break;
            case 'n':
                text.push_back('\n');
                break;
            case 'r':
                text.push_back('\r');
                break;
            case 't':
                text.push_back('\t');
                break;
            case 'x': {
                const int high = pos + 2 < rest.size() ? HexDigit(rest[pos + 1]) : -1;
                const int low = high >= 0 ? HexDigit(rest[pos + 2]) : -1;
                if (low < 0) {
                    return std::nullopt;
                }
                text.push_back(static_cast<char>(high * 16 + low));
                pos += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return std::nullopt;
}

std::string Quote(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        switch (c) {
            case '\\':
                quoted += "\\\\";
                break;
            case '"':
                quoted += "\\\"";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\r':
                quoted += "\\r";
                break;
            case '\t':
                quoted += "\\t";
                break;
            default:
                if (IsControl(static_cast<unsigned char>(c))) {
                    char escape[5];
                    std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(c));
                    quoted += escape;
                } else {
                    quoted.push_back(c);
                }
        }
    }
    return quoted + "\"";
}

struct ValueLine {
    std::string name;  // UTF-8; empty for the unnamed value
    RegistryValue value;
};

std::optional<ValueLine> ParseValueLine(std::string_view line) {
    std::string_view rest = Trim(line);
    ValueLine parsed;
    if (rest.starts_with('@')) {
        rest.remove_prefix(1);
    } else if (std::optional<std::string> name = TakeQuoted(rest)) {
        parsed.name = std::move(*name);
    } else {
        return std::nullopt;
    }
    if (!rest.starts_with('=')) {
        return std::nullopt;
    }
    rest.remove_prefix(1);
    if (rest.starts_with(kDwordPrefix)) {
        const std::string_view digits = rest.substr(kDwordPrefix.size());
        if (digits.size() != 8) {
            return std::nullopt;
        }
        std::uint32_t number = 0;
        for (char c : digits) {
            const int digit = HexDigit(c);
            if (digit < 0) {
                return std::nullopt;
            }
            number = number * 16 + static_cast<std::uint32_t>(digit);
        }
        parsed.value = number;
        return parsed;
    }
    std::optional<std::string> text = TakeQuoted(rest);
    if (!text || !rest.empty()) {
        return std::nullopt;
    }
    parsed.value = FromUtf8(*text);
    return parsed;
}

std::string FormatValueLine(std::string_view name, const RegistryValue& value) {
    std::string line = name.empty() ? std::string("@") : Quote(name);
    line += '=';
    if (const auto* number = std::get_if<std::uint32_t>(&value)) {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x", *number);
        line += std::string(kDwordPrefix) + digits;
    } else {
        const std::wstring& text = std::get<std::wstring>(value);
        line += Quote(ToUtf8(std::wstring_view(text).substr(0, text.find(L'\0'))));
    }
    return line;
}

}  // namespace

std::optional<std::string> RegistryKeyName(std::string_view root, std::wstring_view subKey) {
    std::string name(root);
    const std::string path = ToUtf8(subKey);
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        const std::string_view component = std::string_view(path).substr(start, end - start);
        if (std::any_of(component.begin(), component.end(),
                        [](char c) { return IsControl(static_cast<unsigned char>(c)); })) {
            return std::nullopt;
        }
        if (!component.empty()) {
            name += '\\';
            name += component;
        }
        start = end + 1;
    }
    return name;
}

RegistryText::RegistryText(std::string_view bytes) {
    if (bytes.starts_with(kByteOrderMark)) {
        bytes.remove_prefix(kByteOrderMark.size());
    }
    while (!bytes.empty()) {
        const std::size_t end = std::min(bytes.find('\n'), bytes.size());
        std::string_view line = bytes.substr(0, end);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines_.emplace_back(line);
        bytes.remove_prefix(std::min(end + 1, bytes.size()));
    }
}

std::optional<RegistryText::Range> RegistryText::FindKey(std::string_view key) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const std::optional<std::string_view> name = KeyOfLine(lines_[i]);
        if (!name || !SameIgnoringAsciiCase(*name, key)) {
            continue;
        }
        std::size_t end = i + 1;
        while (end < lines_.size() && !KeyOfLine(lines_[end])) {
            ++end;
        }
        return Range{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> RegistryText::FindValueLine(const Range& range,
                                                       std::wstring_view name) const {
    const std::string wanted = ToUtf8(name);
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        const std::optional<ValueLine> value = ParseValueLine(lines_[i]);
        if (value && SameIgnoringAsciiCase(value->name, wanted)) {
            return i;
        }
    }
    return std::nullopt;
}

bool RegistryText::HasKey(std::string_view key) const {
    return FindKey(key).has_value();
}

void RegistryText::AddKey(std::string_view key) {
    if (HasKey(key)) {
        return;
    }
    if (!lines_.empty() && !Trim(lines_.back()).empty()) {
        lines_.emplace_back();
    }
    // Appended piecewise: GCC 12 at -O3 reports a false -Wrestrict for "[" + std::string(...).
    std::string header = "[";
    header.append(key).append("]");
    lines_.push_back(std::move(header));
}

std::optional<RegistryValue> RegistryText::Find(std::string_view key,
                                                std::wstring_view name) const {
    const std::optional<Range> range = FindKey(key);
    if (!range) {
        return std::nullopt;
    }
    const std::optional<std::size_t> line = FindValueLine(*range, name);
    if (!line) {
        return std::nullopt;
    }
    return ParseValueLine(lines_[*line])->value;
}

void RegistryText::Set(std::string_view key, std::wstring_view name, const RegistryValue& value) {
    AddKey(key);
    const Range range = *FindKey(key);
    std::string line = FormatValueLine(ToUtf8(name), value);
    if (const std::optional<std::size_t> existing = FindValueLine(range, name)) {
        lines_[*existing] = std::move(line);
        return;
    }
    // After the key's last line that is not blank, so the blank line before the next key stays.
    std::size_t at = range.end;
    while (at > range.header + 1 && Trim(lines_[at - 1]).empty()) {
        --at;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

bool RegistryText::Delete(std::string_view key, std::wstring_view name) {
    const std::optional<Range> range = FindKey(key);
    if (!range) {
        return false;
    }
    const std::optional<std::size_t> line = FindValueLine(*range, name);
    if (!line) {
        return false;
    }
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*line));
    return true;
}

std::string RegistryText::Bytes() const {
    std::string bytes;
    for (const std::string& line : lines_) {
        bytes += line;
        bytes += '\n';
    }
    return bytes;
}

}  // namespace platform
