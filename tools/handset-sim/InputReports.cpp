// Input reports: report id 0, byte 1 unused, byte 2 the type, then its payload.
#include "tools/handset-sim/InputReports.h"

#include <algorithm>

namespace handset_sim {

InputReport KeyReport(std::uint8_t scanCode) {
    return {0, 0, kKeyInput, scanCode, 0, 0, 0, 0, 0};
}

InputReport FirmwareReport(std::string_view version) {
    InputReport report{0, 0, kFirmwareInput};
    const std::size_t characters = std::min(version.size(), kFirmwareCharacters);
    std::copy_n(version.begin(), characters, report.begin() + 3);
    return report;
}

}  // namespace handset_sim
