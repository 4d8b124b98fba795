// PNG pictures of the LCD: checksums against known values, and the file taken apart again.
#include "tools/handset-sim/PngEncoder.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace handset_sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(std::string_view text) {
    return {text.begin(), text.end()};
}

std::uint32_t BigEndian32(const Bytes& b, std::size_t at) {
    return std::uint32_t{b.at(at)} << 24 | std::uint32_t{b.at(at + 1)} << 16 |
           std::uint32_t{b.at(at + 2)} << 8 | b.at(at + 3);
}

struct Chunk {
    std::string type;
    Bytes data;
};

// The chunks after the signature, each checked against its CRC.
std::vector<Chunk> Chunks(const Bytes& png) {
    std::vector<Chunk> chunks;
    std::size_t pos = 8;
    while (pos < png.size()) {
        const std::uint32_t length = BigEndian32(png, pos);
        const Bytes typeAndData(png.begin() + static_cast<std::ptrdiff_t>(pos + 4),
                                png.begin() + static_cast<std::ptrdiff_t>(pos + 8 + length));
        EXPECT_EQ(BigEndian32(png, pos + 8 + length), Crc32(typeAndData));
        chunks.push_back({std::string(typeAndData.begin(), typeAndData.begin() + 4),
                          Bytes(typeAndData.begin() + 4, typeAndData.end())});
        pos += 12 + length;
    }
    EXPECT_EQ(pos, png.size());
    return chunks;
}

// The data of a zlib stream made of stored blocks, every block header checked.
Bytes Unstore(const Bytes& zlib, std::size_t& blocks) {
    EXPECT_EQ(zlib.at(0), 0x78);
    EXPECT_EQ((zlib.at(0) << 8 | zlib.at(1)) % 31, 0);  // the zlib header check
    Bytes data;
    std::size_t pos = 2;
    blocks = 0;
    for (bool last = false; !last;) {
        last = (zlib.at(pos) & 1) != 0;
        EXPECT_EQ(zlib.at(pos) >> 1, 0) << "stored block";
        const std::uint16_t length = zlib.at(pos + 1) | zlib.at(pos + 2) << 8;
        const std::uint16_t complement = zlib.at(pos + 3) | zlib.at(pos + 4) << 8;
        EXPECT_EQ(static_cast<std::uint16_t>(~length), complement);
        data.insert(data.end(), zlib.begin() + static_cast<std::ptrdiff_t>(pos + 5),
                    zlib.begin() + static_cast<std::ptrdiff_t>(pos + 5 + length));
        pos += 5 + length;
        ++blocks;
    }
    EXPECT_EQ(BigEndian32(zlib, pos), Adler32(data));
    EXPECT_EQ(pos + 4, zlib.size());
    return data;
}

TEST(PngEncoderTest, ChecksumsMatchTheirKnownValues) {
    EXPECT_EQ(Crc32(Of("123456789")), 0xCBF43926u);
    EXPECT_EQ(Crc32(Of("IEND")), 0xAE426082u);
    EXPECT_EQ(Crc32({}), 0u);
    EXPECT_EQ(Adler32(Of("Wikipedia")), 0x11E60398u);
    EXPECT_EQ(Adler32({}), 1u);
    // Large enough for the modulus to matter.
    EXPECT_EQ(Adler32(Bytes(100000, 0xFF)), 0x149A302Cu);
}

class PngEncoderPictureTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(PngEncoderPictureTest, ThePictureHoldsTheLcdsPixels) {
    const unsigned scale = GetParam();
    LCDFrame lcd{};
    lcd[0] = 0x01;     // (0, 0)
    lcd[130] = 0x80;   // (2, 15)
    lcd[1023] = 0x80;  // (127, 63)
    const Bytes png = EncodeLcdPng(lcd, scale);
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(Bytes(png.begin(), png.begin() + 8),
              (Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    const std::vector<Chunk> chunks = Chunks(png);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    const std::size_t width = 128 * scale;
    const std::size_t height = 64 * scale;
    EXPECT_EQ(BigEndian32(chunks[0].data, 0), width);
    EXPECT_EQ(BigEndian32(chunks[0].data, 4), height);
    EXPECT_EQ(Bytes(chunks[0].data.begin() + 8, chunks[0].data.end()), (Bytes{8, 0, 0, 0, 0}));

    std::size_t blocks = 0;
    const Bytes raw = Unstore(chunks[1].data, blocks);
    ASSERT_EQ(raw.size(), (width + 1) * height);
    EXPECT_EQ(blocks, (raw.size() + 65534) / 65535);
    std::size_t dark = 0;
    for (std::size_t y = 0; y < height; ++y) {
        ASSERT_EQ(raw[y * (width + 1)], 0) << "filter of row " << y;
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint8_t pixel = raw[y * (width + 1) + 1 + x];
            ASSERT_TRUE(pixel == 0x00 || pixel == 0xFF);
            dark += pixel == 0x00 ? 1 : 0;
        }
    }
    EXPECT_EQ(dark, 3 * scale * scale);
    auto at = [&](std::size_t x, std::size_t y) { return raw[y * (width + 1) + 1 + x]; };
    EXPECT_EQ(at(0, 0), 0x00);
    EXPECT_EQ(at(scale - 1, scale - 1), 0x00);
    EXPECT_EQ(at(scale, 0), 0xFF);
    EXPECT_EQ(at(2 * scale, 15 * scale), 0x00);
    EXPECT_EQ(at(width - 1, height - 1), 0x00);
}

INSTANTIATE_TEST_SUITE_P(Scales, PngEncoderPictureTest, ::testing::Values(1u, 4u, 16u));

TEST(PngEncoderTest, ScalesOutOfRangeAreBroughtIntoIt) {
    const LCDFrame lcd{};
    EXPECT_EQ(EncodeLcdPng(lcd, 0), EncodeLcdPng(lcd, 1));
    EXPECT_EQ(EncodeLcdPng(lcd, 1000), EncodeLcdPng(lcd, kMaxPngScale));
}

}  // namespace
}  // namespace handset_sim
