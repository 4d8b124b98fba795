// The account of a failed run: what failed, then everything the run had seen up to then (the
// softphone's commands and its calls, the handset's events and the text its LCD shows, the host's
// stderr), so that it explains itself.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "tools/handset-sim/HandsetSimulator.h"
#include "tools/scenario/Session.h"

namespace scenario {

// Entries shown per list; earlier ones are counted instead.
inline constexpr std::size_t kMaxReportedEntries = 200;

struct ReportEntry {
    std::size_t number = 0;  // the number the cursors count in
    std::string text;
};

// A titled list of the latest kMaxReportedEntries entries, with a mark before the first entry
// the next expectation looks at (numbered `cursor` or later), when there is a cursor. Entries
// are what the system and the simulators said: each is escaped so that it stays one line.
std::string ListSection(const std::string& title, const std::vector<ReportEntry>& entries,
                        std::optional<std::size_t> cursor);

// `where`: "script.scn:12: expect-hid 2 1", or what part of the run failed; `what`: why. Both are
// escaped as the entries are.
std::string FailureReport(const std::string& where, const std::string& what,
                          const Session& session);

}  // namespace scenario
