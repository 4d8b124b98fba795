// The ring tone's synthesis and the WAVE writer.
//
// The ring is a descending major third, E5 then C5: the "ding-dong" of a door chime, which says
// someone is calling without sounding like an alarm. The second note strikes 0.45 s after
// the first, while the first still sounds, as two bars of a real chime do. Each note is a struck
// bar: a fundamental with a little octave for warmth and the bar's own inharmonic modes (2.76
// and 5.40 times the fundamental) for the bell colour, the higher partials dying faster, so the
// strike is bright and the tail mellow. A 6 ms attack keeps the strike from clicking; a fade to
// zero from 1.8 s and 0.3 s of silence end the file, so the softphone's loop repeats the chime
// after a pause instead of cutting a note. All partials stay below 4 kHz, far from the rate's
// 8 kHz limit.
#include "tools/ring-tone/RingTone.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ring_tone {
namespace {

constexpr double kRingSeconds = 2.5;
constexpr double kMuteSeconds = 0.5;
constexpr double kAttackSeconds = 0.006;
constexpr double kFadeStartSeconds = 1.8;
constexpr double kFadeEndSeconds = 2.2;
constexpr double kPeak = 16384.0;  // half of full scale, -6 dBFS: heard, never harsh

struct Note {
    double startSeconds;
    double frequency;
    double decaySeconds;  // of the fundamental; the time its level takes to fall to 1/e
};
constexpr Note kNotes[] = {{0.0, 659.26, 0.40}, {0.45, 523.25, 0.45}};

struct Partial {
    double ratio;         // to the note's frequency
    double amplitude;     // to the fundamental's
    double decayDivisor;  // how many times faster than the fundamental it dies away
};
constexpr Partial kPartials[] = {
    {1.0, 1.0, 1.0}, {2.0, 0.30, 1.6}, {2.76, 0.15, 2.5}, {5.40, 0.05, 4.0}};

// Rises from 0 to 1 over `length` seconds with no jump in level or slope.
double RaisedCosine(double t, double length) {
    if (t <= 0.0) {
        return 0.0;
    }
    if (t >= length) {
        return 1.0;
    }
    return 0.5 - 0.5 * std::cos(std::numbers::pi * t / length);
}

double FadeOut(double t) {
    return 1.0 - RaisedCosine(t - kFadeStartSeconds, kFadeEndSeconds - kFadeStartSeconds);
}

double NoteAt(const Note& note, double t) {
    if (t < 0.0) {
        return 0.0;
    }
    double sum = 0.0;
    for (const Partial& partial : kPartials) {
        sum += partial.amplitude * std::exp(-t * partial.decayDivisor / note.decaySeconds) *
               std::sin(2.0 * std::numbers::pi * note.frequency * partial.ratio * t);
    }
    return RaisedCosine(t, kAttackSeconds) * sum;
}

std::size_t SampleCount(double seconds) {
    return static_cast<std::size_t>(std::lround(seconds * kSampleRate));
}

void AppendLittleEndian(std::string& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xff);
    }
}

}  // namespace

std::vector<std::int16_t> RingSamples() {
    std::vector<double> wave(SampleCount(kRingSeconds));
    double loudest = 0.0;
    for (std::size_t i = 0; i < wave.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        double sum = 0.0;
        for (const Note& note : kNotes) {
            sum += NoteAt(note, t - note.startSeconds);
        }
        wave[i] = sum * FadeOut(t);
        loudest = std::max(loudest, std::abs(wave[i]));
    }
    std::vector<std::int16_t> samples(wave.size());
    std::transform(wave.begin(), wave.end(), samples.begin(), [&](double value) {
        return static_cast<std::int16_t>(std::lround(value * kPeak / loudest));
    });
    return samples;
}

std::vector<std::int16_t> MuteSamples() {
    return std::vector<std::int16_t>(SampleCount(kMuteSeconds), 0);
}

std::string WaveFile(std::span<const std::int16_t> samples, std::uint32_t sampleRate) {
    constexpr std::uint32_t kBytesPerSample = 2;
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * kBytesPerSample);
    std::string bytes;
    bytes.reserve(44 + dataSize);
    bytes += "RIFF";
    AppendLittleEndian(bytes, 36 + dataSize, 4);  // what follows this field
    bytes += "WAVEfmt ";
    AppendLittleEndian(bytes, 16, 4);  // the PCM "fmt " chunk's size
    AppendLittleEndian(bytes, 1, 2);   // PCM
    AppendLittleEndian(bytes, 1, 2);   // mono
    AppendLittleEndian(bytes, sampleRate, 4);
    AppendLittleEndian(bytes, sampleRate * kBytesPerSample, 4);  // bytes a second
    AppendLittleEndian(bytes, kBytesPerSample, 2);               // block align
    AppendLittleEndian(bytes, 16, 2);                            // bits a sample
    bytes += "data";
    AppendLittleEndian(bytes, dataSize, 4);
    for (const std::int16_t sample : samples) {
        AppendLittleEndian(bytes, static_cast<std::uint16_t>(sample), 2);
    }
    return bytes;
}

}  // namespace ring_tone
