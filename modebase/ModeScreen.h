// A screen description: four rows of text with one highlighted row, or a picture file.
#pragma once

#include <string>

struct ModeScreen {
    static constexpr int kRows = 4;
    static constexpr int kRowChars = 32;

    int textScreen = 1;  // nonzero: the rows; zero: the picture
    wchar_t rows[kRows][kRowChars] = {};
    int highlight = -1;  // row to invert; -1 none
    std::wstring picturePath;
};
