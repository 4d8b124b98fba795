// A screen description: four rows of text with one highlighted row, or a picture file.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

struct ModeScreen {
    static constexpr int kRows = 4;
    static constexpr int kRowChars = 32;

    int textScreen = 1;  // nonzero: the rows; zero: the picture
    wchar_t rows[kRows][kRowChars] = {};
    int highlight = -1;  // row to invert; -1 none
    std::wstring picturePath;

    // Row `row` (0..3; others are ignored) holds the first kRowChars characters of `text`,
    // NUL-terminated when shorter.
    void SetRow(int row, std::wstring_view text) {
        if (row < 0 || row >= kRows) {
            return;
        }
        std::fill(std::begin(rows[row]), std::end(rows[row]), L'\0');
        std::copy_n(text.begin(), std::min<std::size_t>(text.size(), kRowChars), rows[row]);
    }
};
