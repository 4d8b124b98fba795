// The input of the mode fuzz targets, lines: "+N" lets N x 10 ms pass on the manual clock (the
// mode's timers tick), "#K" is the handset key K, any other line is a softphone notification.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/loop/MessageLoop.h"
#include "platform/loop/Window.h"
#include "platform/text/Utf8.h"

// An engine that takes every request and answers nothing.
class SilentEngine : public platform::Window {
  public:
    platform::LRESULT WindowProc(platform::MessageId, platform::WPARAM, platform::LPARAM) override {
        return 1;
    }
};

// Plays the input on `mode`, calling `check` after every line.
template <class Mode, class Check>
void PlayModeFuzzInput(Mode& mode, platform::MessageLoop& loop, const std::uint8_t* data,
                       std::size_t size, Check check) {
    // At most four digits: a number is a key or a stretch of time, never a long wait.
    const auto number = [](std::string_view digits) {
        unsigned value = 0;
        for (const char c : digits.substr(0, 4)) {
            if (c < '0' || c > '9') {
                break;
            }
            value = value * 10 + static_cast<unsigned>(c - '0');
        }
        return value;
    };
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.starts_with('+')) {
            loop.AdvanceBy(std::chrono::milliseconds(10 * number(line.substr(1))));
        } else if (line.starts_with('#')) {
            mode.ProcessKey(static_cast<std::uint8_t>(number(line.substr(1))));
        } else {
            mode.ProcessSkypeMsg(platform::FromUtf8(line));
            loop.ProcessReady();
        }
        check(mode);
    }
}
