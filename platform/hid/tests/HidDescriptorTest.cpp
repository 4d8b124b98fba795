// Report lengths from report descriptors: the handset's, ones with report ids, and broken ones.
#include "platform/hid/HidDescriptor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The handset: vendor page 0xFF00, one 8-byte input report, one 16-byte output report, no ids.
const Bytes kHandset = {
    0x06, 0x00, 0xFF,  // Usage Page (0xFF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x09, 0x02,        //   Usage (2)
    0x95, 0x08,        //   Report Count (8)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x09, 0x03,        //   Usage (3)
    0x95, 0x10,        //   Report Count (16)
    0x91, 0x02,        //   Output (Data, Variable, Absolute)
    0xC0,              // End Collection
};

// A collection around `body`, so that a descriptor is balanced.
Bytes Wrapped(const Bytes& body) {
    constexpr std::array<std::uint8_t, 7> kOpen = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01};
    // Sized once and filled, so that no growth of a short vector is involved: GCC 12's
    // optimiser reports a false array-bounds error inside vector insertion.
    Bytes d(kOpen.size() + body.size() + 1);
    const auto end = std::copy(kOpen.begin(), kOpen.end(), d.begin());
    std::copy(body.begin(), body.end(), end);
    d.back() = 0xC0;
    return d;
}

TEST(HidDescriptorTest, TheHandsetHasNineAndSeventeenBytesWithoutReportIds) {
    const auto lengths = ParseReportLengths(kHandset);
    ASSERT_TRUE(lengths.has_value());
    EXPECT_EQ(lengths->input, 9u);
    EXPECT_EQ(lengths->output, 17u);
    EXPECT_FALSE(lengths->usesReportIds);
}

TEST(HidDescriptorTest, WithReportIdsTheLongestReportOfEachKindCounts) {
    const auto lengths = ParseReportLengths(Wrapped({
        0x85, 0x01, 0x75, 0x08, 0x95, 0x08, 0x81, 0x02,  // id 1: 8 input bytes
        0x85, 0x02, 0x95, 0x03, 0x81, 0x02,              // id 2: 3 input bytes
        0x95, 0x04, 0x91, 0x02,                          // id 2: 4 output bytes
        0x85, 0x03, 0x95, 0x20, 0xB1, 0x02,              // id 3: 32 feature bytes, not counted
    }));
    ASSERT_TRUE(lengths.has_value());
    EXPECT_EQ(lengths->input, 9u);
    EXPECT_EQ(lengths->output, 5u);
    EXPECT_TRUE(lengths->usesReportIds);
}

TEST(HidDescriptorTest, FieldsOfOneReportAddUpAndRoundUpToWholeBytes) {
    const auto lengths = ParseReportLengths(Wrapped({
        0x75, 0x01, 0x95, 0x03, 0x81, 0x02,  // 3 one-bit buttons
        0x75, 0x05, 0x95, 0x01, 0x81, 0x03,  // 5 bits of padding
        0x75, 0x08, 0x95, 0x02, 0x81, 0x06,  // two bytes
        0x75, 0x01, 0x95, 0x01, 0x91, 0x02,  // a single output bit
    }));
    ASSERT_TRUE(lengths.has_value());
    EXPECT_EQ(lengths->input, 4u);
    EXPECT_EQ(lengths->output, 2u);
}

TEST(HidDescriptorTest, AKindWithoutReportsHasLengthZero) {
    const auto lengths = ParseReportLengths(Wrapped({0x75, 0x08, 0x95, 0x08, 0x81, 0x02}));
    ASSERT_TRUE(lengths.has_value());
    EXPECT_EQ(lengths->input, 9u);
    EXPECT_EQ(lengths->output, 0u);
}

TEST(HidDescriptorTest, PopRestoresSizeCountAndReportId) {
    const auto lengths = ParseReportLengths(Wrapped({
        0x85, 0x01, 0x75, 0x08, 0x95, 0x02,  // id 1, 2 x 8 bits
        0xA4,                                // Push
        0x85, 0x02, 0x95, 0x06, 0x81, 0x02,  // id 2: 6 bytes
        0xB4,                                // Pop: id 1, 2 x 8 bits again
        0x91, 0x02,                          // id 1: 2 output bytes
        0x81, 0x02,                          // id 1: 2 input bytes
    }));
    ASSERT_TRUE(lengths.has_value());
    EXPECT_EQ(lengths->input, 7u);
    EXPECT_EQ(lengths->output, 3u);
}

TEST(HidDescriptorTest, LongItemsAndFourByteDataAreRead) {
    const auto lengths = ParseReportLengths(Wrapped({
        0xFE, 0x02, 0x10, 0xAA, 0xBB,  // a long item with two data bytes, skipped
        0x77, 0x08, 0x00, 0x00, 0x00,  // Report Size (8) in four bytes
        0x97, 0x0A, 0x00, 0x00, 0x00,  // Report Count (10) in four bytes
        0x81, 0x02,                    //
        0x27, 0xFF, 0xFF, 0xFF, 0x7F,  // Logical Maximum in four bytes, irrelevant
    }));
    ASSERT_TRUE(lengths.has_value());
    EXPECT_EQ(lengths->input, 11u);
}

TEST(HidDescriptorTest, TheLongestReportTheKernelTakesIsAccepted) {
    // 12288 + 4095 data bytes, the report id byte making it 16384.
    const auto longest = ParseReportLengths(Wrapped({
        0x75, 0x08, 0x96, 0x00, 0x30, 0x81, 0x02,  // 12288 bytes
        0x96, 0xFF, 0x0F, 0x81, 0x02,              // 4095 bytes
    }));
    ASSERT_TRUE(longest.has_value());
    EXPECT_EQ(longest->input, kMaxReportSize);
    EXPECT_FALSE(ParseReportLengths(Wrapped({
        0x75, 0x08, 0x96, 0x00, 0x30, 0x81, 0x02,  // 12288 bytes
        0x96, 0x00, 0x10, 0x81, 0x02,              // 4096 bytes: one too many
    })));
}

TEST(HidDescriptorTest, DescriptorsTheKernelRefusesGiveNothing) {
    const std::vector<std::pair<const char*, Bytes>> broken = {
        {"empty", {}},
        {"no report at all", Wrapped({0x75, 0x08, 0x95, 0x08})},
        {"report id 0", Wrapped({0x85, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02})},
        {"report id 256", Wrapped({0x86, 0x00, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02})},
        {"report size 257", Wrapped({0x76, 0x01, 0x01, 0x95, 0x01, 0x81, 0x02})},
        {"report count 12289", Wrapped({0x75, 0x01, 0x96, 0x01, 0x30, 0x81, 0x02})},
        {"huge size times count", Wrapped({0x76, 0x00, 0x01, 0x96, 0x00, 0x30, 0x81, 0x02})},
        {"pop without push", Wrapped({0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xB4})},
        {"five pushes",
         Wrapped({0xA4, 0xA4, 0xA4, 0xA4, 0xA4, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02})},
        {"end collection without collection",
         {0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xC0, 0xA1, 0x01, 0xC0}},
        {"collection left open", {0xA1, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}},
        {"item cut short", {0xA1, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xC0, 0x26, 0xFF}},
        {"long item cut short", Wrapped({0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xFE, 0x10, 0x01})},
    };
    for (const auto& [what, descriptor] : broken) {
        EXPECT_FALSE(ParseReportLengths(descriptor).has_value()) << what;
    }
}

TEST(HidDescriptorTest, FourPushesAreAllowed) {
    EXPECT_TRUE(
        ParseReportLengths(Wrapped({0xA4, 0xA4, 0xA4, 0xA4, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}))
            .has_value());
}

TEST(HidDescriptorTest, DescriptorsOverTheKernelsSizeLimitGiveNothing) {
    Bytes body;
    for (int i = 0; i < 2100; ++i) {
        body.insert(body.end(), {0x09, 0x01});  // Usage (1): harmless filler
    }
    body.insert(body.end(), {0x75, 0x08, 0x95, 0x01, 0x81, 0x02});
    const Bytes big = Wrapped(body);
    ASSERT_GT(big.size(), kMaxReportDescriptorSize);
    EXPECT_FALSE(ParseReportLengths(big).has_value());
}

// Every proper prefix leaves the collection open or cuts an item: each is refused, and each is
// read from a heap block of exactly its size so that a read past its end is caught.
TEST(HidDescriptorTest, EveryTruncationOfTheHandsetsDescriptorIsRefused) {
    for (std::size_t n = 0; n < kHandset.size(); ++n) {
        const Bytes prefix(kHandset.begin(), kHandset.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(ParseReportLengths(prefix).has_value()) << n << " bytes";
    }
}

TEST(HidDescriptorTest, RandomBytesStayWithinTheirBufferAndWithinLimits) {
    std::mt19937 random(1234);
    std::size_t accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        Bytes garbage(random() % 64);
        for (std::uint8_t& b : garbage) {
            b = static_cast<std::uint8_t>(random());
        }
        const auto lengths = ParseReportLengths(garbage);
        if (lengths) {
            ++accepted;
            EXPECT_LE(lengths->input, kMaxReportSize);
            EXPECT_LE(lengths->output, kMaxReportSize);
        }
    }
    // Most garbage is refused; some happens to be valid.
    EXPECT_LT(accepted, 20000u);
}

}  // namespace
}  // namespace platform
