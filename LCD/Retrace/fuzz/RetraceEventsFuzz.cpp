// libFuzzer target: the Retrace mode's notification and list-reply handling on arbitrary
// softphone texts, with its timers and keys mixed in.
//
// Input: the lines of tests/fuzz/ModeFuzzInput.h. Checks after every line: neither the
// history nor the new calls hold more than 50 entries; while the mode has the handset, its
// cursor is inside the view, or 0 for an empty one; the history sweep's cursor is inside the
// list.
#include <cstddef>
#include <cstdint>

#include "LCD/Retrace/CRetraceMode.h"
#include "LCD/Retrace/RetraceStrings.h"
#include "modebase/ModePlugin.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/ModeFuzzInput.h"

namespace {

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
    PlayModeFuzzInput(mode, loop, data, size, CheckLists);
    return 0;
}
