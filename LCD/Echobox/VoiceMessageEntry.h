// One voice message as the Echobox mode keeps it: what the softphone said about it.
#pragma once

#include <cstdint>
#include <string>

// The status of a voice message, from the softphone's status words.
enum VoiceMessageStatus : int {
    VM_UNKNOWN = -1,  // not reported yet
    VM_UNPLAYED = 0,
    VM_PLAYED = 1,  // and any word the mode does not know
    VM_PLAYING = 2,
};

struct VoiceMessageEntry {
    std::wstring id;  // exactly as the softphone wrote it
    std::wstring displayName;
    // An empty name is an answer too: the sender has none.
    bool nameReported = false;
    // Seconds since 1970 UTC; -1 until reported.
    std::int64_t time = -1;
    int status = VM_UNKNOWN;
    // How often the mode has asked for the details without an answer.
    int queries = 0;
};
