// A name too wide for its row scrolls: the modes cut characters from its front, two more every
// second, and start again once the whole name has gone by.
#pragma once

#include <cstddef>
#include <string>

// The part of `name` a row of `width` shows. The width a name takes is its byte measure in the
// system's code page, the terminator included (its cells plus one). A name that fits is shown
// whole and `scroll` becomes -1; a wider one is shown from `scroll` on, `scroll` starting at 0
// when it is -1 or past the name's end.
std::wstring ScrollName(const std::wstring& name, std::size_t width, int& scroll);
