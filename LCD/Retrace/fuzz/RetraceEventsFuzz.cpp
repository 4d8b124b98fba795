// libFuzzer target: the Retrace mode's notification and list-reply handling on arbitrary
// softphone texts, with its timers and keys mixed in.
//
// Input: lines. "+N" lets N x 10 ms pass on the manual clock (the timers tick); "#K" is the
// handset key K; any other line is a notification. Checks after every line: neither the
// history nor the new calls hold more than 50 entries; while the mode has the handset, its
// cursor is inside the view, or 0 for an empty one; the history sweep's cursor is inside the
// list.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "LCD/Retrace/CRetraceMode.h"
#include "LCD/Retrace/RetraceStrings.h"
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

void CheckLists(const CRetraceMode& mode) {
    Check(mode.m_newCalls.size() <= CRetraceMode::kMaxEntries);
    Check(mode.m_history.size() <= CRetraceMode::kMaxEntries);
    Check(mode.m_historyCursor >= 0 &&
          mode.m_historyCursor <= static_cast<int>(mode.m_history.size()));
    if (mode.IsActived()) {
        const int view = static_cast<int>(mode.m_view.size());
        Check(view == 0 ? mode.m_cursor == 0 : mode.m_cursor >= 0 && mode.m_cursor < view);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::ManualClock clock;
    platform::MessageLoop loop(clock);
    SilentEngine engine;
    CRetraceMode mode;
    mode.m_startDir = "/nonexistent-kestrel-fuzz";
    mode.CreateDialog();
    BindModeToEngine(mode, kRetraceStrings, engine.Handle(), 0, true, true);
    mode.SetSkypeOnline(true);
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.starts_with('+')) {
            loop.AdvanceBy(std::chrono::milliseconds(10 * Number(line.substr(1))));
            CheckLists(mode);
            continue;
        }
        if (line.starts_with('#')) {
            mode.ProcessKey(static_cast<std::uint8_t>(Number(line.substr(1))));
            CheckLists(mode);
            continue;
        }
        const std::wstring text = platform::FromUtf8(line);
        mode.ProcessSkypeMsg(text);
        CheckLists(mode);
        loop.ProcessReady();
    }
    return 0;
}
