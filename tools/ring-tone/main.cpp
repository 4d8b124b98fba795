// ring-tone: the program directory's sounds, written by the build.
//
//   ring-tone OUTPUT_DIR
//
// Writes OUTPUT_DIR/default.wav (the ring the softphone plays for bell 1) and OUTPUT_DIR/mute.wav
// (the silence it plays when the ring is off), creating OUTPUT_DIR when missing. Each file is
// replaced whole, so a softphone that opens it meanwhile reads the old sound or the new one.
// Exit status: 0 done; 1 a file could not be written; 2 bad usage.
#include <filesystem>
#include <iostream>
#include <system_error>
#include <vector>

#include "platform/files/AtomicFile.h"
#include "tools/ring-tone/RingTone.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: ring-tone OUTPUT_DIR\n";
        return 2;
    }
    const fs::path output = argv[1];
    std::error_code error;
    fs::create_directories(output, error);
    if (error) {
        std::cerr << "ring-tone: cannot create " << output.native() << ": " << error.message()
                  << "\n";
        return 1;
    }
    const struct {
        const char* name;
        std::vector<std::int16_t> samples;
    } sounds[] = {{"default.wav", ring_tone::RingSamples()},
                  {"mute.wav", ring_tone::MuteSamples()}};
    for (const auto& sound : sounds) {
        const fs::path file = output / sound.name;
        if (!platform::ReplaceFileAtomically(
                file, ring_tone::WaveFile(sound.samples, ring_tone::kSampleRate))) {
            std::cerr << "ring-tone: cannot write " << file.native()
                      << " (not a writable file, a read-only directory or a full disk)\n";
            return 1;
        }
    }
    return 0;
}
