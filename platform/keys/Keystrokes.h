// Synthesised keystrokes for the window that has the keyboard focus, as keybd_event sends them:
// one entry point, a replaceable backend (X11 XTest for real, a recorder in tests).
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

inline constexpr std::uint32_t KEYEVENTF_EXTENDEDKEY = 0x0001;
inline constexpr std::uint32_t KEYEVENTF_KEYUP = 0x0002;

// One key going down or up, as keybd_event takes it: a Windows virtual-key code, a scan code
// (unused on X11), flags.
struct KeyEvent {
    std::uint8_t virtualKey;
    std::uint8_t scanCode;
    std::uint32_t flags;

    friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
};

class KeystrokeBackend {
  public:
    virtual ~KeystrokeBackend() = default;
    virtual void Send(const KeyEvent& event) = 0;
};

// Synthesises the key event for the window that has the keyboard focus, through the process's
// backend: X11 XTest unless a test installed another. Loop thread.
void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags);

// Makes `backend` the process's backend (nullptr: the real one again); returns the one before.
KeystrokeBackend* SetKeystrokeBackend(KeystrokeBackend* backend);

// The test double: records every event, in order.
class RecordingKeystrokes final : public KeystrokeBackend {
  public:
    void Send(const KeyEvent& event) override { events.push_back(event); }
    std::vector<KeyEvent> events;
};

}  // namespace platform
