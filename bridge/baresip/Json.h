// JSON (RFC 8259, UTF-8) as ctrl_tcp speaks it: a small value type, a strict parser with bounded
// depth, and the writer of the flat objects of strings that commands are.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace baresip {

class JsonValue {
  public:
    using Array = std::vector<JsonValue>;
    // Members in the order they were written; a key may occur more than once.
    using Object = std::vector<std::pair<std::string, JsonValue>>;

    enum class Type { kNull, kBool, kNumber, kString, kArray, kObject };

    JsonValue() = default;  // null
    explicit JsonValue(bool value) : value_(value) {}
    explicit JsonValue(double value) : value_(value) {}
    explicit JsonValue(std::string value) : value_(std::move(value)) {}
    explicit JsonValue(Array value) : value_(std::move(value)) {}
    explicit JsonValue(Object value) : value_(std::move(value)) {}
    // Without this a string literal would make a bool.
    explicit JsonValue(const char*) = delete;

    Type GetType() const { return static_cast<Type>(value_.index()); }
    bool IsNull() const { return GetType() == Type::kNull; }
    bool IsBool() const { return GetType() == Type::kBool; }
    bool IsNumber() const { return GetType() == Type::kNumber; }
    bool IsString() const { return GetType() == Type::kString; }
    bool IsArray() const { return GetType() == Type::kArray; }
    bool IsObject() const { return GetType() == Type::kObject; }

    // The value when it is of that type; nothing (or nullptr) otherwise.
    std::optional<bool> AsBool() const;
    std::optional<double> AsNumber() const;
    const std::string* AsString() const { return std::get_if<std::string>(&value_); }
    const Array* AsArray() const { return std::get_if<Array>(&value_); }
    const Object* AsObject() const { return std::get_if<Object>(&value_); }

    // The member `key` of an object, the last one of a repeated key; nullptr when this is no
    // object or has no such member.
    const JsonValue* Find(std::string_view key) const;
    // The member `key` when it is present and of that type; nothing otherwise.
    std::optional<std::string> StringMember(std::string_view key) const;
    std::optional<bool> BoolMember(std::string_view key) const;
    std::optional<double> NumberMember(std::string_view key) const;

    friend bool operator==(const JsonValue&, const JsonValue&) = default;

  private:
    // In the order of Type.
    std::variant<std::monostate, bool, double, std::string, Array, Object> value_;
};

// The deepest nesting of arrays and objects ParseJson takes; ctrl_tcp's messages nest two deep.
inline constexpr int kMaxJsonDepth = 32;

// Nothing for anything that is not exactly one JSON value, whitespace around it allowed: nesting
// deeper than kMaxJsonDepth, invalid escapes, unpaired surrogates, control characters in strings,
// invalid UTF-8, numbers beyond a double's range, trailing garbage. \uXXXX escapes become UTF-8.
std::optional<JsonValue> ParseJson(std::string_view text);

// A JSON string literal with its quotes: '"', '\\' and the control characters escaped (\n, \t,
// \u001f ...), other UTF-8 as it is. Each byte of malformed UTF-8 becomes U+FFFD, so the literal
// is always valid JSON.
std::string JsonQuote(std::string_view text);

// {"k1":"v1","k2":"v2"}, the members in the given order.
std::string JsonObjectOfStrings(const std::vector<std::pair<std::string, std::string>>& members);

}  // namespace baresip
