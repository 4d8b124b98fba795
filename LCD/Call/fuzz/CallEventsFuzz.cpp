// libFuzzer target: the Call mode's notification handling on arbitrary softphone texts.
//
// Input: notification texts, one a line, given to a Call mode bound to a stand-in engine that
// also answers some of the mode's commands at once, so notifications arrive nested as well.
// Checks after every text: the selection is inside the table, or -1 exactly when the table is
// empty; every participant's call is in the table; no two calls share a CallID.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "LCD/Call/CCallMode.h"
#include "LCD/Call/CallStrings.h"
#include "common/Messages.h"
#include "modebase/ModePlugin.h"
#include "platform/text/Utf8.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

void CheckTable(const CCallMode& mode) {
    const int size = static_cast<int>(mode.m_calls.size());
    Check(size == 0 ? mode.m_curCall == -1 : mode.m_curCall >= 0 && mode.m_curCall < size);
    std::set<std::wstring> ids;
    for (const CallRecord& call : mode.m_calls) {
        if (!call.IsParticipant()) {
            Check(ids.insert(call.CallID).second);
        }
    }
    for (const CallRecord& call : mode.m_calls) {
        if (call.IsParticipant()) {
            Check(ids.count(call.ConfID) == 1);
        }
    }
}

// Answers a query about a call with a line the fuzzer gave, nested inside the send.
class AnsweringEngine : public platform::Window {
  public:
    platform::LRESULT WindowProc(platform::MessageId message, platform::WPARAM,
                                 platform::LPARAM) override {
        if (message == RegisteredMessages::Get().requestCmdToSkype && mode != nullptr &&
            !answer.empty() && depth < 3) {
            ++depth;
            const std::wstring text = answer;
            mode->ProcessSkypeMsg(text);
            CheckTable(*mode);
            --depth;
        }
        return 1;
    }
    CCallMode* mode = nullptr;
    std::wstring answer;
    int depth = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::ManualClock clock;
    platform::MessageLoop loop(clock);
    AnsweringEngine engine;
    CCallMode mode;
    mode.m_startDir = "/nonexistent-kestrel-fuzz";  // every setting at its default
    mode.CreateDialog();
    BindModeToEngine(mode, kCallStrings, engine.Handle(), 0, true, true);
    engine.mode = &mode;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::wstring text = platform::FromUtf8(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        // A line that starts with '>' is what the softphone answers the mode's next commands.
        if (!text.empty() && text.front() == L'>') {
            engine.answer = text.substr(1);
            continue;
        }
        mode.ProcessSkypeMsg(text);
        CheckTable(mode);
        loop.ProcessReady();
    }
    engine.mode = nullptr;
    return 0;
}
