// The desktop host's texts in its four languages, and the rule that picks the language.
#pragma once

#include <cstdint>
#include <string>

#include "modebase/StringTable.h"

// Texts by id: English at 501..539, the other languages at the English id plus their base, and
// the information page's notice lines at 840..843.
extern const StringTable kHostStrings;

// The offset of a LANGID's texts: 100 Simplified Chinese (0x0800..0x0BFF), 200 any other
// Chinese, 300 Japanese, 0 (English) for every other language. 0 stands for the system's
// default language.
unsigned GetLanguageBase(std::uint16_t langId);

// The text `englishId` in the language of `base`.
std::wstring HostString(unsigned englishId, unsigned base);

// The information page's notice line for `base`.
std::wstring NoticeLine(unsigned base);
