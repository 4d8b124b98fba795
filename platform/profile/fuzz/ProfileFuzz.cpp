// libFuzzer target: the profile reader and editor on arbitrary text, checked against their rules.
//
// Input: "section\x01key\x01value\x01text"; without three separators the whole input is the text
// and the names are fixed. Checks: nothing crashes or reads outside the text; a written key
// reads back as its value reads on a line of its own; no other key changes; writing the same
// value again changes nothing; a byte-order mark stays.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/profile/ProfileText.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

using platform::FindProfileValue;
using platform::ParseProfileInt;
using platform::SetProfileValue;

std::string Normalised(std::string_view name) {
    const auto first = name.find_first_not_of(" \t\r\v\f");
    const auto last = name.find_last_not_of(" \t\r\v\f");
    std::string out(first == std::string_view::npos ? std::string_view()
                                                    : name.substr(first, last - first + 1));
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

bool SameKey(std::string_view s1, std::string_view k1, std::string_view s2, std::string_view k2) {
    return Normalised(s1) == Normalised(s2) && Normalised(k1) == Normalised(k2);
}

void CheckInside(std::string_view text, std::optional<std::string_view> value) {
    if (value && !value->empty()) {
        Check(value->data() >= text.data() &&
              value->data() + value->size() <= text.data() + text.size());
    }
}

struct Input {
    std::string_view section = "PhoneSet";
    std::string_view key = "bell";
    std::string_view value = "2";
    std::string_view text;
};

Input Split(std::string_view data) {
    Input input;
    input.text = data;
    std::string_view parts[3];
    std::string_view rest = data;
    for (auto& part : parts) {
        const auto separator = rest.find('\x01');
        if (separator == std::string_view::npos) {
            return input;
        }
        part = rest.substr(0, separator);
        rest.remove_prefix(separator + 1);
    }
    return {parts[0], parts[1], parts[2], rest};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Input in = Split(std::string_view(reinterpret_cast<const char*>(data), size));

    const auto before = FindProfileValue(in.text, in.section, in.key);
    CheckInside(in.text, before);
    if (before) {
        ParseProfileInt(*before, -1);
    }
    ParseProfileInt(in.text, -1);

    const auto edited = SetProfileValue(in.text, in.section, in.key, in.value);
    if (!edited) {
        return 0;
    }
    const std::string alone =
        "[" + std::string(in.section) + "]\n" + std::string(in.key) + "=" + std::string(in.value);
    const auto expected = FindProfileValue(alone, in.section, in.key);
    const auto after = FindProfileValue(*edited, in.section, in.key);
    Check(expected.has_value() && after.has_value() && *after == *expected);

    const std::string_view probes[][2] = {
        {"PhoneSet", "bell"}, {"PhoneSet", "mic"}, {"ModeList", "Mode0"}, {"A", "k"},
        {in.section, "k"},    {"A", in.key},       {in.section, "bell"},  {"phoneset", in.key},
    };
    for (const auto& probe : probes) {
        if (!SameKey(probe[0], probe[1], in.section, in.key)) {
            Check(FindProfileValue(in.text, probe[0], probe[1]) ==
                  FindProfileValue(*edited, probe[0], probe[1]));
        }
    }

    const auto again = SetProfileValue(*edited, in.section, in.key, in.value);
    Check(again.has_value() && *again == *edited);
    if (in.text.starts_with("\xEF\xBB\xBF")) {
        Check(edited->starts_with("\xEF\xBB\xBF"));
    }
    return 0;
}
