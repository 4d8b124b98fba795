// The error replies of a softphone client, as the desktop API words them: the system matches
// their numbers, people read the rest. Every client of the transport answers with these.
#pragma once

#include <string_view>

namespace platform::client_error {

inline constexpr std::string_view kUnknownCommand = "ERROR 2 Unknown command";
inline constexpr std::string_view kEmptyTarget = "ERROR 4 Empty target not allowed";
inline constexpr std::string_view kGetInvalidId = "ERROR 11 Invalid call id";
inline constexpr std::string_view kGetUnknownCall = "ERROR 12 Unknown call";
inline constexpr std::string_view kGetInvalidProperty = "ERROR 13 Invalid PROP";
inline constexpr std::string_view kSetInvalidId = "ERROR 19 Invalid call id";
inline constexpr std::string_view kSetUnknownCall = "ERROR 20 Unknown call";
inline constexpr std::string_view kSetInvalidProperty = "ERROR 21 Unknown/disallowed call prop";
inline constexpr std::string_view kCannotHold = "ERROR 22 Cannot hold this call at the moment";
inline constexpr std::string_view kCannotResume = "ERROR 23 Cannot resume this call at the moment";
inline constexpr std::string_view kCannotHangUp = "ERROR 24 Cannot hangup inactive call";
inline constexpr std::string_view kInvalidHandle = "ERROR 34 Invalid user handle";
inline constexpr std::string_view kNoCallId = "ERROR 35 No call id left";
inline constexpr std::string_view kInvalidParticipant =
    "ERROR 71 Invalid conference participant NO";
inline constexpr std::string_view kCannotJoin = "ERROR 72 Cannot create conference";
inline constexpr std::string_view kInvalidVoicemailId = "ERROR 81 Invalid voicemail id";
inline constexpr std::string_view kUnknownVoicemail = "ERROR 82 Unknown voicemail";
inline constexpr std::string_view kInvalidVoicemailProperty = "ERROR 83 Invalid voicemail PROP";

}  // namespace platform::client_error
