// Speed of the HID link over the fake backend: a display transfer, a key's way to the engine
// window, and closing the device with its reader thread.
#include <benchmark/benchmark.h>

#include <memory>

#include "common/Messages.h"
#include "engine/hid/CHidLink.h"
#include "platform/hid/fake/FakeHidBackend.h"
#include "platform/loop/MessageLoop.h"

namespace {

constexpr char kHandsetPath[] = "fake/hidraw-handset";

// Counts the reports that reach the engine's place.
class Owner : public platform::Window {
  public:
    using Window::Window;
    platform::LRESULT WindowProc(platform::MessageId message, platform::WPARAM,
                                 platform::LPARAM) override {
        reports += message == RegisteredMessages::Get().hidDataReceived ? 1 : 0;
        return 1;
    }
    std::size_t reports = 0;
};

std::shared_ptr<platform::FakeHidBackend> PluggedHandset() {
    auto fake = std::make_shared<platform::FakeHidBackend>();
    fake->Plug({kHandsetPath, 0x1908, 5001, 9, 17});
    return fake;
}

struct Rig {
    Rig() { link.SetAutoOpen(true); }
    platform::MessageLoop loop;
    std::shared_ptr<platform::FakeHidBackend> fake = PluggedHandset();
    Owner owner{loop};
    CHidLink link{owner.Handle(), 5001, fake};
};

void BM_DisplayTransfer(benchmark::State& state) {
    Rig rig;
    LCDFrame lcd{};
    for (std::size_t i = 0; i < lcd.size(); ++i) {
        lcd[i] = static_cast<std::uint8_t>(i);
    }
    for (auto _ : state) {
        if (!rig.link.SendLCDFrame(lcd)) {
            state.SkipWithError("display transfer failed");
            break;
        }
        rig.fake->ClearWrites();
    }
    state.SetItemsProcessed(state.iterations() * handset::kDisplayFrames);
}
BENCHMARK(BM_DisplayTransfer);

void BM_KeyLatency(benchmark::State& state) {
    Rig rig;
    const std::uint8_t key[handset::kInputReportSize] = {0x00, 0x00, 0x01, 0x07};
    for (auto _ : state) {
        const std::size_t before = rig.owner.reports;
        rig.fake->InjectReport(kHandsetPath, key);
        while (rig.owner.reports == before) {
            if (!rig.loop.WaitForPost(std::chrono::milliseconds(1000))) {
                state.SkipWithError("key report did not arrive");
                return;
            }
            rig.loop.ProcessReady();
        }
    }
}
BENCHMARK(BM_KeyLatency)->UseRealTime();

// Closing the device: its blocked read is interrupted and the reader joined.
void BM_CloseDevice(benchmark::State& state) {
    Rig rig;
    for (auto _ : state) {
        state.PauseTiming();
        rig.link.SetAutoOpen(true);
        rig.fake->WaitForReadCalls(rig.fake->ReadCalls() + 1, std::chrono::milliseconds(1000));
        state.ResumeTiming();
        rig.link.CloseDevice();
    }
}
BENCHMARK(BM_CloseDevice)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
