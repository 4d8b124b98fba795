// libFuzzer target: the Echobox mode's handling of arbitrary softphone texts, with its timer and
// keys mixed in.
//
// Input: lines. "+N" lets N x 10 ms pass on the manual clock; "#K" is the handset key K; any
// other line is a notification. Checks after every line: the list is bounded; while the mode
// has the handset, its cursor is inside the list, or 0 for an empty one.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "LCD/Echobox/CEchoboxMode.h"
#include "LCD/Echobox/EchoboxStrings.h"
#include "modebase/ModePlugin.h"
#include "platform/text/Utf8.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

class SilentEngine : public platform::Window {
  public:
    platform::LRESULT WindowProc(platform::MessageId, platform::WPARAM, platform::LPARAM) override {
        return 1;
    }
};

unsigned Number(std::string_view digits) {
    unsigned value = 0;
    for (const char c : digits.substr(0, 4)) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

void CheckList(const CEchoboxMode& mode) {
    Check(mode.m_messages.size() <= CEchoboxMode::kMaxMessages);
    if (mode.IsActived()) {
        const int size = static_cast<int>(mode.m_messages.size());
        Check(size == 0 ? mode.m_cursor == 0 : mode.m_cursor >= 0 && mode.m_cursor < size);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::ManualClock clock;
    platform::MessageLoop loop(clock);
    SilentEngine engine;
    CEchoboxMode mode;
    mode.CreateDialog();
    BindModeToEngine(mode, kEchoboxStrings, engine.Handle(), 0, true, true);
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.starts_with('+')) {
            loop.AdvanceBy(std::chrono::milliseconds(10 * Number(line.substr(1))));
        } else if (line.starts_with('#')) {
            mode.ProcessKey(static_cast<std::uint8_t>(Number(line.substr(1))));
        } else {
            mode.ProcessSkypeMsg(platform::FromUtf8(line));
            loop.ProcessReady();
        }
        CheckList(mode);
    }
    return 0;
}
