// The JSON value, parser and writer.
#include "bridge/baresip/Json.h"

#include <charconv>
#include <cstddef>
#include <string>

#include "platform/text/Utf8.h"

namespace baresip {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// The escapes of one letter and the characters they stand for, position by position. '/' is
// only read: it needs no escape.
constexpr std::string_view kEscapeLetters = "\"\\/bfnrt";
constexpr std::string_view kEscapedCharacters = "\"\\/\b\f\n\r\t";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigitValue(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Recursive descent over the text, one value at a time; the recursion stops at kMaxJsonDepth.
class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<JsonValue> Document() {
        SkipWhitespace();
        std::optional<JsonValue> value = Value(0);
        SkipWhitespace();
        if (at_ != text_.size()) {
            return std::nullopt;
        }
        return value;
    }

  private:
    bool AtEnd() const { return at_ == text_.size(); }
    bool Peek(char c) const { return !AtEnd() && text_[at_] == c; }

    bool Consume(char c) {
        if (!Peek(c)) {
            return false;
        }
        ++at_;
        return true;
    }

    void SkipWhitespace() {
        while (Peek(' ') || Peek('\t') || Peek('\n') || Peek('\r')) {
            ++at_;
        }
    }

    // `depth`: how many arrays and objects enclose the value.
    std::optional<JsonValue> Value(int depth) {
        if (AtEnd()) {
            return std::nullopt;
        }
        switch (text_[at_]) {
            case '[':
                return ArrayValue(depth + 1);
            case '{':
                return ObjectValue(depth + 1);
            case '"': {
                std::optional<std::string> text = String();
                return text ? std::optional<JsonValue>(JsonValue(std::move(*text))) : std::nullopt;
            }
            case 't':
                return Literal("true") ? std::optional<JsonValue>(JsonValue(true)) : std::nullopt;
            case 'f':
                return Literal("false") ? std::optional<JsonValue>(JsonValue(false)) : std::nullopt;
            case 'n':
                return Literal("null") ? std::optional<JsonValue>(JsonValue()) : std::nullopt;
            default:
                return Number();
        }
    }

    std::optional<JsonValue> ArrayValue(int depth) {
        ++at_;  // '['
        if (depth > kMaxJsonDepth) {
            return std::nullopt;
        }
        JsonValue::Array items;
        SkipWhitespace();
        if (Consume(']')) {
            return JsonValue(std::move(items));
        }
        for (;;) {
            SkipWhitespace();
            std::optional<JsonValue> item = Value(depth);
            if (!item) {
                return std::nullopt;
            }
            items.push_back(std::move(*item));
            SkipWhitespace();
            if (Consume(']')) {
                return JsonValue(std::move(items));
            }
            if (!Consume(',')) {
                return std::nullopt;
            }
        }
    }

    std::optional<JsonValue> ObjectValue(int depth) {
        ++at_;  // '{'
        if (depth > kMaxJsonDepth) {
            return std::nullopt;
        }
        JsonValue::Object members;
        SkipWhitespace();
        if (Consume('}')) {
            return JsonValue(std::move(members));
        }
        for (;;) {
            SkipWhitespace();
            if (!Peek('"')) {
                return std::nullopt;
            }
            std::optional<std::string> key = String();
            SkipWhitespace();
            if (!key || !Consume(':')) {
                return std::nullopt;
            }
            SkipWhitespace();
            std::optional<JsonValue> value = Value(depth);
            if (!value) {
                return std::nullopt;
            }
            members.emplace_back(std::move(*key), std::move(*value));
            SkipWhitespace();
            if (Consume('}')) {
                return JsonValue(std::move(members));
            }
            if (!Consume(',')) {
                return std::nullopt;
            }
        }
    }

    bool Literal(std::string_view word) {
        if (!text_.substr(at_).starts_with(word)) {
            return false;
        }
        at_ += word.size();
        return true;
    }

    std::optional<std::string> String() {
        ++at_;  // the opening quote
        std::string out;
        while (!AtEnd()) {
            const auto c = static_cast<unsigned char>(text_[at_]);
            if (c == '"') {
                ++at_;
                return out;
            }
            if (c < 0x20) {
                return std::nullopt;
            }
            if (c == '\\') {
                if (!Escape(out)) {
                    return std::nullopt;
                }
                continue;
            }
            const std::size_t length = platform::Utf8SequenceLength(text_.substr(at_));
            if (length == 0) {
                return std::nullopt;
            }
            out += text_.substr(at_, length);
            at_ += length;
        }
        return std::nullopt;
    }

    bool Escape(std::string& out) {
        ++at_;  // the backslash
        if (AtEnd()) {
            return false;
        }
        const char letter = text_[at_++];
        if (letter == 'u') {
            return UnicodeEscape(out);
        }
        const std::size_t which = kEscapeLetters.find(letter);
        if (which == std::string_view::npos) {
            return false;
        }
        out += kEscapedCharacters[which];
        return true;
    }

    // After "\u": the code unit, and its low surrogate after a high one.
    bool UnicodeEscape(std::string& out) {
        const std::optional<char32_t> unit = HexCodeUnit();
        if (!unit || (*unit >= 0xDC00 && *unit <= 0xDFFF)) {
            return false;
        }
        char32_t code = *unit;
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (!Consume('\\') || !Consume('u')) {
                return false;
            }
            const std::optional<char32_t> low = HexCodeUnit();
            if (!low || *low < 0xDC00 || *low > 0xDFFF) {
                return false;
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (*low - 0xDC00);
        }
        out += platform::ToUtf8(std::wstring(1, static_cast<wchar_t>(code)));
        return true;
    }

    std::optional<char32_t> HexCodeUnit() {
        if (text_.size() - at_ < 4) {
            return std::nullopt;
        }
        char32_t unit = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = HexDigitValue(text_[at_++]);
            if (digit < 0) {
                return std::nullopt;
            }
            unit = unit * 16 + static_cast<char32_t>(digit);
        }
        return unit;
    }

    // At least one digit.
    bool Digits() {
        const std::size_t start = at_;
        while (!AtEnd() && IsDigit(text_[at_])) {
            ++at_;
        }
        return at_ > start;
    }

    // -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?, which from_chars alone would not enforce.
    std::optional<JsonValue> Number() {
        const std::size_t start = at_;
        Consume('-');
        if (!Consume('0') && !Digits()) {  // a leading zero stands alone
            return std::nullopt;
        }
        if (Consume('.') && !Digits()) {
            return std::nullopt;
        }
        if (Consume('e') || Consume('E')) {
            if (!Consume('+')) {
                Consume('-');
            }
            if (!Digits()) {
                return std::nullopt;
            }
        }
        const char* const first = text_.data() + start;
        const char* const last = text_.data() + at_;
        double value = 0;
        const std::from_chars_result read = std::from_chars(first, last, value);
        if (read.ec != std::errc() || read.ptr != last) {
            return std::nullopt;
        }
        return JsonValue(value);
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

std::optional<bool> JsonValue::AsBool() const {
    if (const bool* value = std::get_if<bool>(&value_)) {
        return *value;
    }
    return std::nullopt;
}

std::optional<double> JsonValue::AsNumber() const {
    if (const double* value = std::get_if<double>(&value_)) {
        return *value;
    }
    return std::nullopt;
}

const JsonValue* JsonValue::Find(std::string_view key) const {
    const Object* members = AsObject();
    if (members == nullptr) {
        return nullptr;
    }
    for (auto member = members->rbegin(); member != members->rend(); ++member) {
        if (member->first == key) {
            return &member->second;
        }
    }
    return nullptr;
}

std::optional<std::string> JsonValue::StringMember(std::string_view key) const {
    const JsonValue* member = Find(key);
    const std::string* text = member != nullptr ? member->AsString() : nullptr;
    return text != nullptr ? std::optional<std::string>(*text) : std::nullopt;
}

std::optional<bool> JsonValue::BoolMember(std::string_view key) const {
    const JsonValue* member = Find(key);
    return member != nullptr ? member->AsBool() : std::nullopt;
}

std::optional<double> JsonValue::NumberMember(std::string_view key) const {
    const JsonValue* member = Find(key);
    return member != nullptr ? member->AsNumber() : std::nullopt;
}

std::optional<JsonValue> ParseJson(std::string_view text) {
    return Parser(text).Document();
}

std::string JsonQuote(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (std::size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        const std::size_t which =
            c == '/' ? std::string_view::npos : kEscapedCharacters.find(text[at]);
        std::size_t length = 1;
        if (which != std::string_view::npos) {
            out += '\\';
            out += kEscapeLetters[which];
        } else if (c < 0x20) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            length = platform::Utf8SequenceLength(text.substr(at));
            if (length == 0) {
                out += kReplacementCharacter;
                length = 1;
            } else {
                out += text.substr(at, length);
            }
        }
        at += length;
    }
    out += '"';
    return out;
}

std::string JsonObjectOfStrings(const std::vector<std::pair<std::string, std::string>>& members) {
    std::string out = "{";
    for (const auto& [key, value] : members) {
        if (out.size() > 1) {
            out += ',';
        }
        out += JsonQuote(key);
        out += ':';
        out += JsonQuote(value);
    }
    out += '}';
    return out;
}

}  // namespace baresip
