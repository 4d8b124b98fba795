// The handful of window-manager types and standard message numbers the system is written in.
#pragma once

#include <cstdint>

namespace platform {

// A window handle; 0 is "no window". Handles are never reused while the process runs.
using WindowHandle = std::uint64_t;
using MessageId = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
// Timer ids are chosen by the window that owns the timer.
using TimerId = std::uintptr_t;

inline constexpr WindowHandle kNoWindow = 0;

// Standard messages keep their Windows numbers so that registered ids (0xC000 up) never clash.
inline constexpr MessageId WM_PAINT = 0x000F;
inline constexpr MessageId WM_CLOSE = 0x0010;
inline constexpr MessageId WM_TIMER = 0x0113;
inline constexpr MessageId WM_DEVICECHANGE = 0x0219;

}  // namespace platform
