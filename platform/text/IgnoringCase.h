// Comparing the system's wide texts as the Windows system compared names: ignoring case.
#pragma once

#include <algorithm>
#include <cwctype>
#include <string_view>

namespace platform {

inline bool EqualIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towlower(static_cast<wint_t>(x)) ==
                      std::towlower(static_cast<wint_t>(y));
           });
}

}  // namespace platform
