// keybd_event: routes every event to the process's keystroke backend.
#include "platform/keys/Keystrokes.h"

#include "platform/keys/XTestKeystrokes.h"

namespace platform {
namespace {

KeystrokeBackend* installed = nullptr;

KeystrokeBackend& RealBackend() {
    static XTestKeystrokes real;
    return real;
}

}  // namespace

void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags) {
    KeystrokeBackend& backend = installed != nullptr ? *installed : RealBackend();
    backend.Send(KeyEvent{virtualKey, scanCode, flags});
}

KeystrokeBackend* SetKeystrokeBackend(KeystrokeBackend* backend) {
    KeystrokeBackend* before = installed;
    installed = backend;
    return before;
}

}  // namespace platform
