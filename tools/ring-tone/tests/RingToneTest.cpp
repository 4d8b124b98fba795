// The WAVE writer read back field by field, and the sounds' properties a change must keep: the
// ring loud enough yet well below full scale, free of clicks at its ends, looping on silence.
#include "tools/ring-tone/RingTone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace ring_tone {
namespace {

std::uint32_t LittleEndian(std::string_view bytes, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}

TEST(RingToneTest, WaveFileReadsBackAsMonoSixteenBitPcmOfTheSamplesGiven) {
    const struct {
        const char* name;
        std::vector<std::int16_t> samples;
        std::uint32_t rate;
    } cases[] = {
        {"empty", {}, 16000},
        {"extremes", {0, 1, -1, 32767, -32768, 0x1234}, 22050},
        {"ring", RingSamples(), kSampleRate},
        {"mute", MuteSamples(), kSampleRate},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = WaveFile(c.samples, c.rate);
        const std::size_t dataSize = 2 * c.samples.size();
        ASSERT_EQ(44 + dataSize, file.size());
        EXPECT_EQ("RIFF", file.substr(0, 4));
        EXPECT_EQ(36 + dataSize, LittleEndian(file, 4, 4));
        EXPECT_EQ("WAVEfmt ", file.substr(8, 8));
        EXPECT_EQ(16u, LittleEndian(file, 16, 4));
        EXPECT_EQ(1u, LittleEndian(file, 20, 2)) << "PCM";
        EXPECT_EQ(1u, LittleEndian(file, 22, 2)) << "channels";
        EXPECT_EQ(c.rate, LittleEndian(file, 24, 4));
        EXPECT_EQ(2 * c.rate, LittleEndian(file, 28, 4)) << "bytes a second";
        EXPECT_EQ(2u, LittleEndian(file, 32, 2)) << "block align";
        EXPECT_EQ(16u, LittleEndian(file, 34, 2)) << "bits a sample";
        EXPECT_EQ("data", file.substr(36, 4));
        EXPECT_EQ(dataSize, LittleEndian(file, 40, 4));
        for (std::size_t i = 0; i < c.samples.size(); ++i) {
            ASSERT_EQ(c.samples[i], static_cast<std::int16_t>(LittleEndian(file, 44 + 2 * i, 2)))
                << "sample " << i;
        }
    }
}

TEST(RingToneTest, SoundsHaveTheirLengthLevelAndSilentEnds) {
    constexpr double kMillisecond = kSampleRate / 1000.0;
    const struct {
        const char* name;
        std::vector<std::int16_t> samples;
        double minSeconds, maxSeconds;
        int minPeak, maxPeak;   // 16384 is half of full scale, -6 dBFS
        double minRms, maxRms;  // over the whole sound: not a lone spike, and dying away
    } cases[] = {
        {"ring", RingSamples(), 2.0, 3.0, 8192, 16384, 1000.0, 4500.0},
        {"mute", MuteSamples(), 0.4, 0.6, 0, 0, 0.0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::int16_t>& s = c.samples;
        const double seconds = static_cast<double>(s.size()) / kSampleRate;
        EXPECT_GE(seconds, c.minSeconds);
        EXPECT_LE(seconds, c.maxSeconds);
        ASSERT_GT(s.size(), 400 * kMillisecond);

        int peak = 0;
        double energy = 0.0;
        for (const std::int16_t sample : s) {
            peak = std::max(peak, std::abs(sample));
            energy += static_cast<double>(sample) * sample;
        }
        EXPECT_GE(peak, c.minPeak);
        EXPECT_LE(peak, c.maxPeak);
        const double rms = std::sqrt(energy / static_cast<double>(s.size()));
        EXPECT_GE(rms, c.minRms);
        EXPECT_LE(rms, c.maxRms);

        // No click where the softphone starts the sound: its first millisecond rises from zero
        // and stays under -24 dBFS.
        EXPECT_EQ(0, s.front());
        const auto firstMillisecond = s.begin() + static_cast<std::ptrdiff_t>(kMillisecond);
        EXPECT_LE(*std::max_element(s.begin(), firstMillisecond), 2048);
        EXPECT_GE(*std::min_element(s.begin(), firstMillisecond), -2048);
        // The last 200 ms are silent, so the loop joins silence to the start's rise.
        const auto tail = static_cast<std::ptrdiff_t>(200 * kMillisecond);
        EXPECT_TRUE(std::all_of(s.end() - tail, s.end(), [](std::int16_t v) { return v == 0; }));
    }
}

}  // namespace
}  // namespace ring_tone
