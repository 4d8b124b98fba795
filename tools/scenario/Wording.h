// The few phrases every verb's failure message is built of.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace scenario {

inline std::string Milliseconds(std::chrono::milliseconds ms) {
    return std::to_string(ms.count()) + " ms";
}

inline std::string Quoted(std::string_view text) {
    std::string quoted = "\"";  // built up: GCC 12 at -O3 misreads "x" + std::string(...)
    quoted.append(text).append("\"");
    return quoted;
}

}  // namespace scenario
