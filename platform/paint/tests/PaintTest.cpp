// 3-D frames land on the right pixels in the right colours, the image clips, and its PNG holds
// what was painted.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/paint/Draw3dRect.h"
#include "platform/paint/PixelImage.h"
#include "platform/png/tests/PngReadBack.h"

namespace platform {
namespace {

constexpr Rgb kLight{250, 1, 2};
constexpr Rgb kDark{3, 4, 5};
constexpr Rgb kBackground{7, 8, 9};

// One character a pixel: L light, D dark, '.' background, '?' anything else.
std::vector<std::string> Picture(const PixelImage& image) {
    std::vector<std::string> rows;
    for (int y = 0; y < image.Height(); ++y) {
        std::string row;
        for (int x = 0; x < image.Width(); ++x) {
            const Rgb pixel = image.Pixel(x, y);
            row += pixel == kLight ? 'L' : pixel == kDark ? 'D' : pixel == kBackground ? '.' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(Draw3dRect, EdgesCornersAndClipping) {
    struct Case {
        const char* what;
        PaintRect rect;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"inside",
         {1, 1, 6, 5},
         {".......",  //
          ".LLLLD.",  //
          ".L...D.",  //
          ".L...D.",  //
          ".DDDDD.",  //
          "......."}},
        {"one pixel: the bottom-right colour",
         {2, 2, 3, 3},
         {".......", ".......", "..D....", ".......", ".......", "......."}},
        {"a line two pixels high",
         {0, 0, 3, 2},
         {"LLD....", "DDD....", ".......", ".......", ".......", "......."}},
        {"past every edge: the parts inside only",
         {-2, -1, 9, 7},
         {".......", ".......", ".......", ".......", ".......", "......."}},
        {"crossing the top-left corner",
         {-1, -1, 3, 3},
         {"..D....", "..D....", "DDD....", ".......", ".......", "......."}},
        {"crossing the bottom-right corner",
         {4, 3, 9, 9},
         {".......", ".......", ".......", "....LLL", "....L..", "....L.."}},
        {"empty", {3, 3, 3, 5}, {".......", ".......", ".......", ".......", ".......", "......."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PixelImage image(7, 6, kBackground);
        Draw3dRect(image, c.rect, kLight, kDark);
        EXPECT_EQ(c.expected, Picture(image));
    }
}

TEST(PixelImage, ClipsAndItsPngHoldsThePaintedPixels) {
    PixelImage image(3, 2, kBackground);
    const std::pair<int, int> outside[] = {{-1, 0}, {0, -1}, {3, 0}, {0, 2}, {-100000, 100000}};
    for (const auto& [x, y] : outside) {
        image.SetPixel(x, y, kDark);
    }
    EXPECT_EQ((std::vector<std::string>{"...", "..."}), Picture(image));
    EXPECT_THROW(image.Pixel(3, 0), std::out_of_range);

    image.SetPixel(2, 0, kLight);
    image.SetPixel(0, 1, kDark);
    std::vector<std::uint8_t> png;
    ASSERT_EQ(PngResult::kOk, EncodePng(image.Png(), png));
    const std::optional<ReadBackPng> back = ReadPngBack(png);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(3u, back->width);
    EXPECT_EQ(2u, back->height);
    EXPECT_TRUE(back->colour);
    EXPECT_EQ((std::vector<std::uint8_t>{7, 8, 9, 7, 8, 9, 250, 1, 2,  //
                                         3, 4, 5, 7, 8, 9, 7, 8, 9}),
              back->pixels);
}

TEST(PixelImage, ANegativeSizeIsAnEmptyImageThatTakesNothing) {
    PixelImage image(-5, 4, kBackground);
    EXPECT_EQ(0, image.Width());
    image.SetPixel(0, 0, kDark);
    std::vector<std::uint8_t> png;
    EXPECT_EQ(PngResult::kBadImage, EncodePng(image.Png(), png));
}

}  // namespace
}  // namespace platform
