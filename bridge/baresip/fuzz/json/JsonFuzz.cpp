// libFuzzer target: the JSON parser and quoting on arbitrary text.
//
// Checks: nothing crashes, reads outside the text or recurses without bound; a parsed value nests
// no deeper than kMaxJsonDepth, holds only valid UTF-8, parses the same with whitespace around
// it, and written out again parses to itself; the text quoted always parses to a string, the
// text itself when it is valid UTF-8, and quoting that string again changes nothing.
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "bridge/baresip/Json.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

using baresip::JsonQuote;
using baresip::JsonValue;
using baresip::ParseJson;

// By decoding each code point, unlike the parser's table of byte ranges.
bool IsUtf8(std::string_view text) {
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        std::size_t length = 0;
        char32_t code = 0;
        if (lead < 0x80) {
            ++at;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - at < length) {
            return false;
        }
        for (std::size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(text[at + i]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        at += length;
    }
    return true;
}

// Writes `value` out and checks it on the way; returns its depth of nesting.
int Write(const JsonValue& value, std::string& out) {
    int depth = 0;
    switch (value.GetType()) {
        case JsonValue::Type::kNull:
            out += "null";
            break;
        case JsonValue::Type::kBool:
            out += *value.AsBool() ? "true" : "false";
            break;
        case JsonValue::Type::kNumber: {
            char digits[32];
            const std::to_chars_result written =
                std::to_chars(digits, digits + sizeof digits, *value.AsNumber());
            Check(written.ec == std::errc());
            out.append(digits, written.ptr);
            break;
        }
        case JsonValue::Type::kString:
            Check(IsUtf8(*value.AsString()));
            out += JsonQuote(*value.AsString());
            break;
        case JsonValue::Type::kArray:
            out += '[';
            for (const JsonValue& item : *value.AsArray()) {
                if (out.back() != '[') {
                    out += ',';
                }
                depth = std::max(depth, Write(item, out));
            }
            out += ']';
            ++depth;
            break;
        case JsonValue::Type::kObject:
            out += '{';
            for (const auto& [key, member] : *value.AsObject()) {
                if (out.back() != '{') {
                    out += ',';
                }
                Check(IsUtf8(key));
                out += JsonQuote(key);
                out += ':';
                depth = std::max(depth, Write(member, out));
            }
            out += '}';
            ++depth;
            break;
    }
    return depth;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::optional<JsonValue> value = ParseJson(text);
    std::string spaced = " \r\n\t";
    spaced += text;
    spaced += "\n ";
    Check(ParseJson(spaced) == value);
    if (value) {
        std::string written;
        Check(Write(*value, written) <= baresip::kMaxJsonDepth);
        Check(ParseJson(written) == value);
    }

    const std::string quoted = JsonQuote(text);
    const std::optional<JsonValue> unquoted = ParseJson(quoted);
    Check(unquoted && unquoted->IsString());
    Check(IsUtf8(text) == (*unquoted->AsString() == text));
    Check(JsonQuote(*unquoted->AsString()) == quoted);
    return 0;
}
