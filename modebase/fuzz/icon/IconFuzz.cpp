// libFuzzer target: the icon reader and its placement on arbitrary files and places.
//
// Input: the page and the column (one signed byte each), then the icon file. Checks: nothing
// crashes or writes outside the frame; short files are refused; an icon is placed exactly when
// it fits, and then changes its 2 x 16 bytes and nothing else.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "modebase/ScreenFiles.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const int page = static_cast<std::int8_t>(data[0]);
    const int column = static_cast<std::int8_t>(data[1]);
    const std::string_view file(reinterpret_cast<const char*>(data + 2), size - 2);
    const auto icon = DecodeIcon(file);
    Check(icon.has_value() == (file.size() >= 32));
    if (!icon) {
        return 0;
    }
    LCDFrame frame;
    frame.fill(0xA5);
    const bool fits = page >= 0 && page <= 6 && column >= 0 && column <= 112;
    Check(PlaceIcon(frame, *icon, page, column) == fits);
    for (std::size_t byte = 0; byte < frame.size(); ++byte) {
        const int x = static_cast<int>(byte % 128);
        const int p = static_cast<int>(byte / 128);
        const bool covered = fits && x >= column && x < column + 16 && (p == page || p == page + 1);
        if (covered) {
            const std::size_t at = static_cast<std::size_t>(x - column) + (p == page ? 0 : 16);
            Check(frame[byte] == (*icon)[at]);
        } else {
            Check(frame[byte] == 0xA5);
        }
    }
    return 0;
}
