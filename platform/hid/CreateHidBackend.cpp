// Picks the HID backend: the handset simulator's socket when KESTREL_HANDSET_SOCKET names one,
// otherwise the real devices.
#include <cstdlib>

#include "platform/hid/HidBackend.h"
#include "platform/hid/HidrawBackend.h"
#include "platform/hid/SocketHidBackend.h"

namespace platform {

std::unique_ptr<HidBackend> CreateHidBackend() {
    const char* socketPath = std::getenv("KESTREL_HANDSET_SOCKET");
    if (socketPath != nullptr && *socketPath != '\0') {
        return std::make_unique<SocketHidBackend>(socketPath);
    }
    return std::make_unique<HidrawBackend>();
}

}  // namespace platform
