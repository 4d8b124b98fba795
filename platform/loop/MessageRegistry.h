// Process-wide registry of message names: RegisterWindowMessage's stand-in.
#pragma once

#include <string_view>

#include "platform/loop/WindowTypes.h"

namespace platform {

inline constexpr MessageId kFirstRegisteredMessage = 0xC000;
inline constexpr MessageId kLastRegisteredMessage = 0xFFFF;

// Returns the id of `name`: the same id for the same name for the life of the process, whatever
// the thread, with ASCII letters compared ignoring case as Windows does. Ids are given out from
// 0xC000 up. Returns 0 for an empty name or when the 16 384 ids are used up.
MessageId RegisterWindowMessage(std::string_view name);

}  // namespace platform
