// The system's one debug switch and its log: quiet unless KESTREL_DEBUG=1, one line per event on
// stderr, every foreign text made harmless to a terminal first.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// True when KESTREL_DEBUG is "1"; read once.
bool DebugEnabled();

// When enabled, writes one line "kestrel <component>: <text>" to stderr, `text` escaped by
// EscapeControl. The line goes out in one write, so lines of several threads never interleave.
void DebugLog(std::string_view component, std::string_view text);

// `text` with every control character (0x00-0x1F, 0x7F) written as \n, \r, \t, \\ or \xNN, so a
// device's or a peer's text can never split a line or reach the terminal as an escape sequence.
// The C1 controls (U+0080..U+009F, which some terminals obey) become \u00NN; other valid UTF-8
// passes unchanged; a byte that is not valid UTF-8 becomes \xNN.
std::string EscapeControl(std::string_view text);

}  // namespace platform
