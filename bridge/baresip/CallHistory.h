// The bridge's call history, kept in a file so that the history mode has calls to list across
// restarts of the bridge and of baresip.
//
// The file is text, UTF-8, one ended call a line after a first line naming the format:
//   kestrel-baresip history 1
//   <id> TAB <status> TAB in|out TAB <timestamp> TAB <duration> TAB <failure reason> TAB 0|1 (seen)
//        TAB <handle> TAB <display name>
// A line that does not read so is skipped, and so is a second line of an id already read: a
// damaged file loses its damaged lines, never the rest.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/baresip/BridgeCall.h"

namespace baresip {

// The most calls kept; older ones are dropped when a new one ends.
inline constexpr std::size_t kMaxHistoryCalls = 500;
// A file larger than this is not read.
inline constexpr std::size_t kMaxHistoryBytes = 1 << 20;

// The order of the history and of "SEARCH CALLS": the newest start first; of the same second,
// the higher id (the later arrival) first.
bool NewerFirst(const BridgeCall& a, const BridgeCall& b);

// The ended calls of `text`, in the file's order.
std::vector<BridgeCall> ParseHistory(std::string_view text);
// The file's text for the ended calls among `calls` (live ones are left out), keeping the
// newest kMaxHistoryCalls by timestamp and id.
std::string FormatHistory(const std::vector<BridgeCall>& calls);

}  // namespace baresip
