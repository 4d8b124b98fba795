// PNG pictures: every pixel format read back by libpng, bad images refused, files replaced whole.
#include "platform/png/PngWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/hid/tests/TempDir.h"
#include "platform/png/tests/PngReadBack.h"

namespace platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct FormatCase {
    const char* name;
    PngPixels format;
    std::uint32_t width;
    std::uint32_t height;
    Bytes pixels;
    int bitDepth;
    bool colour;
    Bytes readBack;  // what libpng reads out of the file
};

TEST(PngWriterTest, EveryFormatReadsBackAsWritten) {
    const std::vector<FormatCase> cases = {
        // 10 x 2: a row is two bytes, the last six bits of each unused.
        {"grey1",
         PngPixels::kGrey1,
         10,
         2,
         {0b1010'0000, 0b0100'0000, 0b0000'0001, 0b1000'0000},
         1,
         false,
         {255, 0, 255, 0, 0, 0, 0, 0,   0,   255,  // row 0
          0,   0, 0,   0, 0, 0, 0, 255, 255, 0}},  // row 1
        {"grey8",
         PngPixels::kGrey8,
         3,
         2,
         {0, 127, 255, 1, 2, 3},
         8,
         false,
         {0, 127, 255, 1, 2, 3}},
        {"rgb8", PngPixels::kRgb8, 2, 1, {255, 0, 0, 10, 20, 30}, 8, true, {255, 0, 0, 10, 20, 30}},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes png = {1, 2, 3};  // replaced, not appended to
        ASSERT_EQ(EncodePng({c.width, c.height, c.format, c.pixels}, png), PngResult::kOk);
        const std::optional<ReadBackPng> back = ReadPngBack(png);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->width, c.width);
        EXPECT_EQ(back->height, c.height);
        EXPECT_EQ(back->bitDepth, c.bitDepth);
        EXPECT_EQ(back->colour, c.colour);
        EXPECT_EQ(back->pixels, c.readBack);
    }
}

TEST(PngWriterTest, ImagesOfTheWrongShapeAreRefused) {
    const Bytes six(6, 0);
    const Bytes big(kMaxPngSide + 1, 0);
    const std::vector<std::pair<const char*, PngImage>> cases = {
        {"no width", {0, 1, PngPixels::kGrey8, {}}},
        {"no height", {6, 0, PngPixels::kGrey8, {}}},
        {"too wide", {kMaxPngSide + 1, 1, PngPixels::kGrey8, big}},
        {"too high", {1, kMaxPngSide + 1, PngPixels::kGrey8, big}},
        {"a byte short", {7, 1, PngPixels::kGrey8, six}},
        {"a byte over", {5, 1, PngPixels::kGrey8, six}},
        {"rgb needs three bytes a pixel", {6, 1, PngPixels::kRgb8, six}},
        {"grey1 packs eight pixels a byte", {8, 1, PngPixels::kGrey1, six}},
    };
    for (const auto& [what, image] : cases) {
        Bytes png = {1};
        EXPECT_EQ(EncodePng(image, png), PngResult::kBadImage) << what;
        EXPECT_TRUE(png.empty()) << what;
    }
}

TEST(PngWriterTest, AFileIsReplacedWholeOrLeftAsItWas) {
    TempDir dir;
    const std::string path = dir / "lcd.png";
    const Bytes dark = {0, 0, 0, 0};
    const Bytes light = {255, 255, 255, 255};
    const PngImage darkImage{2, 2, PngPixels::kGrey8, dark};
    ASSERT_EQ(WritePngFile(path, darkImage), PngResult::kOk);
    Bytes expected;
    ASSERT_EQ(EncodePng(darkImage, expected), PngResult::kOk);
    EXPECT_EQ(FileBytes(path), expected);

    ASSERT_EQ(WritePngFile(path, {2, 2, PngPixels::kGrey8, light}), PngResult::kOk);
    const std::optional<ReadBackPng> back = ReadPngBack(FileBytes(path));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->pixels, light);

    const Bytes before = FileBytes(path);
    EXPECT_EQ(WritePngFile(path, {3, 2, PngPixels::kGrey8, light}), PngResult::kBadImage);
    EXPECT_EQ(FileBytes(path), before);
    EXPECT_EQ(WritePngFile(dir / "missing/lcd.png", darkImage), PngResult::kWriteFailed);
    // Nothing was left beside the file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
}  // namespace platform
