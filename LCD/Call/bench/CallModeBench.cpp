// The Call mode's speed: from a key report to the softphone command it causes, through the real
// engine (the report as the HID link posts it, the command as the softphone link is given it);
// and a whole call screen drawn and handed to the engine.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "LCD/Call/CCallMode.h"
#include "LCD/Call/CallStrings.h"
#include "common/Messages.h"
#include "engine/CEmualtor.h"
#include "engine/hid/HandsetProtocol.h"
#include "engine/tests/EngineFakes.h"
#include "modebase/ModePlugin.h"

namespace {

struct Rig {
    explicit Rig(const std::vector<std::string>& statuses) {
        engine.Create(host.Handle());
        mode.m_startDir = dir.Path();
        mode.CreateDialog();
        BindModeToEngine(mode, kCallStrings, engine.Handle(), 0, true, true);
        engine.AddMode(&mode);
        // Scan code 4 is the answer and hold key.
        dir.Write("KeyDefine.ini", "[KeyDef]\nkey4=4\n");
        engine.ReadKeyTable();
        for (const std::string& status : statuses) {
            links.skype.lastText = "CALL 7 STATUS " + status;
            platform::SendMessage(engine.Handle(), RegisteredMessages::Get().skypeMessageReceived,
                                  0, 0);
            loop.ProcessReady();
        }
    }
    platform::MessageLoop loop;
    enginetest::TempDir dir;
    enginetest::FakeLinkFactory links;
    enginetest::RecordingHost host;
    CEmualtor engine{links, dir.Path()};
    CCallMode mode;
};

// The softphone does not answer, so the call stays as it is and every press asks the same.
void KeyToCommand(benchmark::State& state, const std::vector<std::string>& statuses) {
    Rig rig(statuses);
    std::vector<double> micros;
    for (auto _ : state) {
        const std::size_t before = rig.links.skype.sent.size();
        const auto start = std::chrono::steady_clock::now();
        platform::PostMessage(rig.engine.Handle(), RegisteredMessages::Get().hidDataReceived,
                              (handset::kKeyReport << 16) | (4 << 8), 0);
        rig.loop.ProcessReady();
        const auto end = std::chrono::steady_clock::now();
        if (rig.links.skype.sent.size() == before) {
            state.SkipWithError("the key sent no command");
            break;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        rig.links.skype.sent.clear();
    }
    if (micros.empty()) {
        return;
    }
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}

void BM_AnswerKey(benchmark::State& state) {
    KeyToCommand(state, {"RINGING"});
}
BENCHMARK(BM_AnswerKey);

void BM_HoldKey(benchmark::State& state) {
    KeyToCommand(state, {"RINGING", "INPROGRESS"});
}
BENCHMARK(BM_HoldKey);

// Two calls, the selected one with a name that scrolls, every icon read from its file.
void BM_TwoCallScreen(benchmark::State& state) {
    Rig rig({"RINGING", "INPROGRESS"});
    for (const char* icon : {"call/hold.obj", "call/normaltalk.obj", "call/incoming.obj",
                             "call/outgoing.obj", "call/multicall.obj", "turn_off_earphone.obj"}) {
        const std::filesystem::path file = rig.dir.Path() / "logo" / icon;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << std::string(32, '\x5A');
    }
    rig.links.skype.lastText = "CALL 8 STATUS RINGING";
    platform::SendMessage(rig.engine.Handle(), RegisteredMessages::Get().skypeMessageReceived, 0,
                          0);
    rig.loop.ProcessReady();
    rig.mode.m_calls[1].DisplayName = L"\u5F20\u4E09 Zhang San (office)";
    for (auto _ : state) {
        rig.mode.DrawCallScreen();
    }
    if (rig.mode.m_nameScroll == -1) {
        state.SkipWithError("the name did not scroll");
    }
}
BENCHMARK(BM_TwoCallScreen);

}  // namespace

BENCHMARK_MAIN();
