// Whether a port of 127.0.0.1 is free for a server to take, for tests that start servers of
// their own (baresip binds the same number for UDP and TCP).
#pragma once

#include <cstdint>

namespace platform {

// True when both a TCP and a UDP socket can be bound to 127.0.0.1:`port` now.
bool LoopbackPortIsFree(std::uint16_t port);

}  // namespace platform
