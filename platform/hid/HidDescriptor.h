// Report lengths from a HID report descriptor, counted the way the HID capabilities count them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace platform {

struct HidReportLengths {
    // Bytes of the longest input and output report, the report-id byte included (also for a
    // device without report ids, whose reports are numbered 0); 0 when there is no such report.
    std::size_t input = 0;
    std::size_t output = 0;
    // The descriptor declares report ids, so every report starts with its id.
    bool usesReportIds = false;
};

// The largest descriptor and report the kernel's HID core accepts.
inline constexpr std::size_t kMaxReportDescriptorSize = 4096;
inline constexpr std::size_t kMaxReportSize = 16384;

// Parses the short items of `descriptor` (long items are skipped) and adds up Report Size x
// Report Count of every Input and Output main item per report id. Returns nothing for a
// descriptor the kernel would refuse or that declares no report: an item running past the end,
// Report ID 0 or above 255, a Report Size above 256 bits or a Report Count above 12288, Push
// beyond four levels, Pop without Push, unbalanced collections, or a report over kMaxReportSize.
// Never reads outside `descriptor`.
std::optional<HidReportLengths> ParseReportLengths(std::span<const std::uint8_t> descriptor);

}  // namespace platform
