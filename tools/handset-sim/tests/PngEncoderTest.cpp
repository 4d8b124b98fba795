// PNG pictures of the LCD, read back with libpng: size, depth and every pixel where it belongs.
#include "tools/handset-sim/PngEncoder.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/png/tests/PngReadBack.h"

namespace handset_sim {
namespace {

class PngEncoderPictureTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(PngEncoderPictureTest, ThePictureHoldsTheLcdsPixels) {
    const unsigned scale = GetParam();
    Screen lcd{};
    lcd[0] = 0x01;     // (0, 0)
    lcd[130] = 0x80;   // (2, 15)
    lcd[1023] = 0x80;  // (127, 63)
    const std::optional<platform::ReadBackPng> png =
        platform::ReadPngBack(EncodeLcdPng(lcd, scale));
    ASSERT_TRUE(png.has_value());
    const std::size_t width = 128 * scale;
    const std::size_t height = 64 * scale;
    EXPECT_EQ(png->width, width);
    EXPECT_EQ(png->height, height);
    EXPECT_EQ(png->bitDepth, 1);
    EXPECT_FALSE(png->colour);
    ASSERT_EQ(png->pixels.size(), width * height);
    std::size_t dark = 0;
    for (const std::uint8_t pixel : png->pixels) {
        ASSERT_TRUE(pixel == 0x00 || pixel == 0xFF);
        dark += pixel == 0x00 ? 1 : 0;
    }
    EXPECT_EQ(dark, 3 * scale * scale);
    auto at = [&](std::size_t x, std::size_t y) { return png->pixels[y * width + x]; };
    EXPECT_EQ(at(0, 0), 0x00);
    EXPECT_EQ(at(scale - 1, scale - 1), 0x00);
    EXPECT_EQ(at(scale, 0), 0xFF);
    EXPECT_EQ(at(2 * scale, 15 * scale), 0x00);
    EXPECT_EQ(at(2 * scale + scale - 1, 16 * scale - 1), 0x00);
    EXPECT_EQ(at(width - 1, height - 1), 0x00);
}

INSTANTIATE_TEST_SUITE_P(Scales, PngEncoderPictureTest, ::testing::Values(1u, 3u, 16u));

TEST(PngEncoderTest, ScalesOutOfRangeAreBroughtIntoIt) {
    const Screen lcd{};
    const std::vector<std::uint8_t> smallest = EncodeLcdPng(lcd, 1);
    const std::vector<std::uint8_t> largest = EncodeLcdPng(lcd, kMaxPngScale);
    ASSERT_FALSE(smallest.empty());
    EXPECT_NE(smallest, largest);
    EXPECT_EQ(EncodeLcdPng(lcd, 0), smallest);
    EXPECT_EQ(EncodeLcdPng(lcd, 1000), largest);
}

}  // namespace
}  // namespace handset_sim
