// PNG pictures of the LCD: signature, IHDR, one IDAT of stored deflate blocks, IEND.
#include "tools/handset-sim/PngEncoder.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace handset_sim {
namespace {

constexpr std::size_t kWidth = 128;
constexpr std::size_t kHeight = 64;
constexpr std::size_t kMaxStoredBlock = 65535;
constexpr std::uint8_t kDark = 0x00;
constexpr std::uint8_t kBackground = 0xFF;

std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

void PutBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void PutChunk(std::vector<std::uint8_t>& out, std::string_view type,
              std::span<const std::uint8_t> data) {
    PutBigEndian32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeStart = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian32(out, Crc32(std::span(out).subspan(typeStart)));
}

bool IsDark(const LCDFrame& lcd, std::size_t x, std::size_t y) {
    return (lcd[x + kWidth * (y / 8)] >> (y % 8) & 1) != 0;
}

// Scanlines, each with filter type 0 (none) in front.
std::vector<std::uint8_t> Scanlines(const LCDFrame& lcd, unsigned scale) {
    const std::size_t width = kWidth * scale;
    std::vector<std::uint8_t> raw;
    raw.reserve((width + 1) * kHeight * scale);
    for (std::size_t y = 0; y < kHeight * scale; ++y) {
        raw.push_back(0);
        for (std::size_t x = 0; x < width; ++x) {
            raw.push_back(IsDark(lcd, x / scale, y / scale) ? kDark : kBackground);
        }
    }
    return raw;
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::vector<std::uint8_t> ZlibStored(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out = {0x78, 0x01};  // deflate, 32 KiB window, no dictionary
    std::size_t pos = 0;
    do {
        const std::size_t length = std::min(kMaxStoredBlock, data.size() - pos);
        const bool last = pos + length == data.size();
        out.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00
        out.push_back(static_cast<std::uint8_t>(length & 0xFF));
        out.push_back(static_cast<std::uint8_t>(length >> 8));
        out.push_back(static_cast<std::uint8_t>(~length & 0xFF));
        out.push_back(static_cast<std::uint8_t>((~length >> 8) & 0xFF));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(pos),
                   data.begin() + static_cast<std::ptrdiff_t>(pos + length));
        pos += length;
    } while (pos < data.size());
    PutBigEndian32(out, Adler32(data));
    return out;
}

}  // namespace

std::uint32_t Crc32(std::span<const std::uint8_t> data) {
    static const std::array<std::uint32_t, 256> table = MakeCrcTable();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::uint8_t byte : data) {
        c = table[(c ^ byte) & 0xFF] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(std::span<const std::uint8_t> data) {
    constexpr std::uint32_t kModulus = 65521;
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % kModulus;
        b = (b + a) % kModulus;
    }
    return (b << 16) | a;
}

std::vector<std::uint8_t> EncodeLcdPng(const LCDFrame& lcd, unsigned scale) {
    scale = std::clamp(scale, 1u, kMaxPngScale);
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBigEndian32(header, static_cast<std::uint32_t>(kWidth * scale));
    PutBigEndian32(header, static_cast<std::uint32_t>(kHeight * scale));
    header.insert(header.end(), {8, 0, 0, 0, 0});  // 8-bit grey, deflate, no filter, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", ZlibStored(Scanlines(lcd, scale)));
    PutChunk(png, "IEND", {});
    return png;
}

}  // namespace handset_sim
