// What a step (or the start and the end of a run) came to: held, or failed and why.
#pragma once

#include <string>
#include <utility>

namespace scenario {

struct Outcome {
    bool ok = true;
    std::string detail;  // what was expected and what was seen instead; empty when ok

    static Outcome Held() { return {}; }
    static Outcome Failed(std::string detail) { return {false, std::move(detail)}; }
};

}  // namespace scenario
