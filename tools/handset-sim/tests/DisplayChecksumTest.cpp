// The display checksum against the check values the handset protocol gives.
#include "tools/handset-sim/DisplayChecksum.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace handset_sim {
namespace {

TEST(DisplayChecksumTest, MatchesTheProtocolsCheckValues) {
    const std::string_view digits = "123456789";
    const struct {
        const char* what;
        std::vector<std::uint8_t> data;
        std::uint16_t crc;
    } cases[] = {
        {"nothing", {}, 0xFFFF},
        {"the digits 1 to 9", {digits.begin(), digits.end()}, 0x89F6},
        {"a blank display", std::vector<std::uint8_t>(1024, 0x00), 0xB76F},
        {"a dark display", std::vector<std::uint8_t>(1024, 0xFF), 0x77EB},
        // One bit each end of a byte: bits are taken least significant first.
        {"01", {0x01}, 0x7078},
        {"80", {0x80}, 0xF1D1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DisplayChecksum(c.data), c.crc) << c.what;
    }
}

}  // namespace
}  // namespace handset_sim
