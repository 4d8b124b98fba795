// The program directory's sounds, made from code instead of committed recordings: the ring tone
// the softphone plays for bell 1 (default.wav), the silence it plays when the ring is off
// (mute.wav), and the RIFF/WAVE file that carries either.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ring_tone {

// Both sounds are 16-bit mono PCM at this rate.
inline constexpr std::uint32_t kSampleRate = 16000;

// A soft two-note chime of 2.5 s that starts and ends at zero and ends in silence, so that the
// softphone can loop it; its peak is half of full scale (-6 dBFS). The same samples every call.
std::vector<std::int16_t> RingSamples();

// Half a second of silence.
std::vector<std::int16_t> MuteSamples();

// The bytes of a WAVE file of `samples`, 16-bit mono PCM at `sampleRate`: the 44-byte RIFF
// header ("fmt " chunk of 16 bytes, "data" chunk), then the samples little-endian.
std::string WaveFile(std::span<const std::int16_t> samples, std::uint32_t sampleRate);

}  // namespace ring_tone
