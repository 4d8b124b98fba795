#include "modebase/SoftphoneText.h"

std::wstring_view TextFrom(std::wstring_view text, std::size_t offset) {
    return offset < text.size() ? text.substr(offset) : std::wstring_view();
}

std::wstring_view TrimSpaces(std::wstring_view text) {
    const std::size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

std::optional<std::int64_t> ReadSeconds(std::wstring_view text) {
    std::size_t at = text.find_first_not_of(L' ');
    if (at == std::wstring_view::npos) {
        return 0;
    }
    const bool negative = text[at] == L'-';
    if (negative || text[at] == L'+') {
        ++at;
    }
    std::int64_t value = 0;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
        value = value * 10 + (text[at] - L'0');
        if (value > 0x80000000LL) {
            return std::nullopt;
        }
    }
    value = negative ? -value : value;
    if (value > 0x7FFFFFFFLL) {
        return std::nullopt;
    }
    return value;
}
