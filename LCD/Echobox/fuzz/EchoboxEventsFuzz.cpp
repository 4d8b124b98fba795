// libFuzzer target: the Echobox mode's handling of arbitrary softphone texts, with its timer and
// keys mixed in.
//
// Input: the lines of tests/fuzz/ModeFuzzInput.h. Checks after every line: the list is bounded;
// while the mode has the handset, its cursor is inside the list, or 0 for an empty one.
#include <cstddef>
#include <cstdint>

#include "LCD/Echobox/CEchoboxMode.h"
#include "LCD/Echobox/EchoboxStrings.h"
#include "modebase/ModePlugin.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/ModeFuzzInput.h"

namespace {

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
    PlayModeFuzzInput(mode, loop, data, size, CheckList);
    return 0;
}
