// The system's default language as a Windows LANGID, taken from the POSIX locale environment.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

inline constexpr std::uint16_t kLangIdEnglishUs = 0x0409;

// The LANGID of a locale name such as "zh_CN.UTF-8@euro": language and territory, ignoring case,
// the encoding after '.' and the modifier after '@'; '-' may stand for '_'. A known language
// with an unknown or no territory gives that language's usual LANGID ("zh" 0x0804, "en"
// 0x0409, "pt" 0x0416). "C", "POSIX", an empty name and unknown languages give 0x0409.
std::uint16_t LangIdFromLocaleName(std::string_view name);

// GetSystemDefaultLangID: LangIdFromLocaleName of the first non-empty of the environment
// variables LC_ALL, LC_MESSAGES and LANG, 0x0409 when all are unset or empty.
std::uint16_t GetSystemDefaultLangID();

}  // namespace platform
