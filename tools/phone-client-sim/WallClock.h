// The real time, for the owners of a CallModel to give it as its wall clock.
#pragma once

#include <chrono>
#include <cstdint>

namespace phone_client_sim {

// Seconds since 1970 UTC, as the client's TIMESTAMP writes them.
inline std::int64_t SecondsSince1970() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace phone_client_sim
