// The value of a digit of any base up to 36: 0-9, then a-z or A-Z for 10 to 35; -1 for anything
// else. The caller compares it with its base.
#pragma once

namespace platform {

constexpr int DigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace platform
