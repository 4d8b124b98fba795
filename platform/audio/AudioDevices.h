// The sound devices of the user's session, as the settings pages need them: the output and input
// devices by the names a user sees, the default device of each direction, and an output device's
// volume in the handset's 17 steps. Everything is answered at once from what the audio server
// last reported; changes go to the server without waiting for it. Without a server every list is
// empty and every change fails.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class MessageLoop;

enum class AudioDirection { kOutput, kInput };

// Volume steps run from 0 (silent) to this one (the server's 100 %).
inline constexpr int kTopVolumeStep = 16;

class AudioDevices {
  public:
    virtual ~AudioDevices() = default;

    // Whether the audio server is connected and has reported its devices.
    virtual bool IsAvailable() const = 0;
    // The devices' names (the descriptions a user sees), in the server's order. Inputs leave out
    // the monitors of outputs.
    virtual std::vector<std::wstring> Names(AudioDirection direction) const = 0;
    // The default device's name; empty when there is none or it is not listed.
    virtual std::wstring DefaultName(AudioDirection direction) const = 0;
    // Makes the first device of that name the default. False when no device has the name.
    virtual bool SetDefault(AudioDirection direction, std::wstring_view name) = 0;
    // The volume of the first output device of that name, as the nearest step; nothing when no
    // output has the name.
    virtual std::optional<int> VolumeStep(std::wstring_view name) const = 0;
    // Sets every channel of every output device of that name to `step` (clamped to
    // 0..kTopVolumeStep). False when no output has the name.
    virtual bool SetVolumeStep(std::wstring_view name, int step) = 0;
    // Called on the loop's thread whenever a device comes or goes, a default changes, or the
    // server goes or comes back; not for volume changes.
    virtual void SetOnChange(std::function<void()> onChange) = 0;
};

// The session's audio server (PulseAudio, or PipeWire's server for the same protocol), served on
// `loop`'s thread, which must be the caller's. Returns at once: the devices arrive a moment later,
// announced by the change callback. A server that is absent or goes away is retried in the
// background, and said once on stderr.
std::unique_ptr<AudioDevices> ConnectAudioServer(MessageLoop& loop,
                                                 const std::string& applicationName);

}  // namespace platform
