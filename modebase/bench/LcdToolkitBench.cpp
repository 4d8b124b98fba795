// Speed and memory of the LCD toolkit: drawing a text screen, loading the font, loading a
// picture.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "modebase/CEmluatorModeBase.h"
#include "platform/font/SharedFont.h"
#include "platform/font/TextRenderer.h"

namespace {

const wchar_t* const kChineseScreen[] = {
    L"\u6765\u7535 \u5F20\u4E09",        // incoming call, a name
    L"\u901A\u8BDD\u4E2D 00:12:34",      // in a call, the time
    L"\u4FDD\u6301 \u674E\u56DB (2/3)",  // on hold, another name
    L"\u672A\u63A5\u6765\u7535 Alice",   // missed call
};

struct Rig {
    Rig() {
        for (int row = 0; row < 4; ++row) {
            mode.SetLine(kChineseScreen[row], row);
        }
        mode.SetHighlightLine(1);
    }
    platform::MessageLoop loop;
    CEmluatorModeBase mode;
};

void BM_RenderText(benchmark::State& state) {
    Rig rig;
    rig.mode.RenderText();  // the font is loaded before the clock runs
    for (auto _ : state) {
        rig.mode.RenderText();
        benchmark::DoNotOptimize(rig.mode.m_lcd);
    }
}
BENCHMARK(BM_RenderText);

// What the first RenderText of a process adds: reading and parsing the font file, then drawing
// the screen with it.
void BM_FirstRenderText(benchmark::State& state) {
    Rig rig;
    std::size_t fontBytes = 0;
    for (auto _ : state) {
        std::string problem;
        const platform::HexFont font = platform::LoadFontFile(platform::FontFilePath(), problem);
        platform::MonoBitmap bitmap(128, 64);
        for (int row = 0; row < 4; ++row) {
            platform::TextOut(bitmap, 0, 16 * row, rig.mode.m_textRows[row], font);
        }
        benchmark::DoNotOptimize(bitmap);
        fontBytes = font.MemoryBytes();
    }
    state.counters["font_bytes"] = static_cast<double>(fontBytes);
}
BENCHMARK(BM_FirstRenderText)->Unit(benchmark::kMillisecond);

void BM_LoadPicture(benchmark::State& state) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / "kestrel-bench-picture.bmp";
    {
        std::string bytes(54, '\0');
        const auto put32 = [&](std::size_t at, std::uint32_t value) {
            for (std::size_t i = 0; i < 4; ++i) {
                bytes[at + i] = static_cast<char>(value >> (8 * i));
            }
        };
        bytes[0] = 'B';
        bytes[1] = 'M';
        put32(10, 54);
        put32(14, 40);
        put32(18, 128);
        put32(22, 64);
        bytes[26] = 1;
        bytes[28] = 24;
        for (int i = 0; i < 128 * 64; ++i) {
            bytes.append(3, static_cast<char>(i % 7 == 0 ? 0 : 255));
        }
        std::ofstream(file, std::ios::binary) << bytes;
    }
    Rig rig;
    for (auto _ : state) {
        rig.mode.LoadPicture(file.wstring());
        benchmark::DoNotOptimize(rig.mode.m_lcd);
    }
    std::filesystem::remove(file);
}
BENCHMARK(BM_LoadPicture);

}  // namespace

BENCHMARK_MAIN();
