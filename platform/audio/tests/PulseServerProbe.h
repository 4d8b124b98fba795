// A second, independent client of a test's pulseaudio daemon: asks the server itself what the
// layer under test has changed, and changes the server behind the layer's back. Every call waits
// for the server's answer, up to five seconds.
#pragma once

#include <pulse/pulseaudio.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::testing {

class PulseServerProbe {
  public:
    // `server` as PULSE_SERVER names it ("unix:/path").
    explicit PulseServerProbe(const std::string& server);
    ~PulseServerProbe();
    PulseServerProbe(const PulseServerProbe&) = delete;
    PulseServerProbe& operator=(const PulseServerProbe&) = delete;

    bool Connected() const;

    // The server names of the default output and input; empty without an answer.
    std::string DefaultSink();
    std::string DefaultSource();
    bool SetDefaultSink(const std::string& sink);
    // The raw volume of each channel of the output; empty when there is no such output.
    std::vector<pa_volume_t> SinkVolumes(const std::string& sink);
    // Sets every channel of the output to `volume`.
    bool SetSinkVolume(const std::string& sink, pa_volume_t volume);
    // The new module's index, or PA_INVALID_INDEX when it did not load.
    std::uint32_t LoadModule(const std::string& name, const std::string& arguments);
    bool UnloadModule(std::uint32_t index);

  private:
    // Runs the main loop until `finished` holds, the connection fails or the time is up.
    bool RunUntil(const std::function<bool()>& finished);
    // Waits for the operation's answer and lets the operation go; false when it could not start
    // or had no answer.
    bool Finish(pa_operation* operation, const bool& answered);

    pa_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
};

}  // namespace platform::testing
