// libFuzzer target: the report-descriptor parser on arbitrary bytes. Checks: nothing crashes or
// reads outside the input; an accepted descriptor gives lengths within the kernel's limit, each
// either 0 (no such report) or at least the report-id byte; parsing is deterministic; appending
// an item that cannot parse makes the descriptor refused.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/hid/HidDescriptor.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A heap copy of exactly the input's size, so that a read past its end is caught.
    const std::vector<std::uint8_t> descriptor(data, data + size);
    const auto lengths = platform::ParseReportLengths(descriptor);
    const auto again = platform::ParseReportLengths(descriptor);
    Check(lengths.has_value() == again.has_value());
    if (!lengths) {
        return 0;
    }
    Check(lengths->input == again->input && lengths->output == again->output &&
          lengths->usesReportIds == again->usesReportIds);
    Check(lengths->input <= platform::kMaxReportSize);
    Check(lengths->output <= platform::kMaxReportSize);
    if (size < platform::kMaxReportDescriptorSize) {
        std::vector<std::uint8_t> cut = descriptor;
        cut.push_back(0x26);  // Logical Maximum with two data bytes, both missing
        Check(!platform::ParseReportLengths(cut).has_value());
    }
    return 0;
}
