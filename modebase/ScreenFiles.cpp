// The bitmap and icon readers.
#include "modebase/ScreenFiles.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kWidth = 128;
constexpr std::size_t kHeight = 64;
constexpr std::size_t kHeaderBytes = 54;  // the file header and the information header
constexpr std::size_t kIconHalf = 16;
constexpr int kLastIconPage = 6;
constexpr int kLastIconColumn = static_cast<int>(kWidth - kIconHalf);

std::uint32_t Read32(std::string_view file, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(file[at + i])) << (8 * i);
    }
    return value;
}

std::uint16_t Read16(std::string_view file, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(file[at]) |
                                      static_cast<unsigned char>(file[at + 1]) << 8);
}

}  // namespace

bool IsDarkColour(int red, int green, int blue) {
    return !(red > 15 && green > 15 && blue > 15);
}

std::optional<LCDFrame> DecodePicture(std::string_view file) {
    if (file.size() < kHeaderBytes) {
        return std::nullopt;
    }
    const std::uint64_t pixelOffset = Read32(file, 10);
    const auto width = static_cast<std::int32_t>(Read32(file, 18));
    const auto height = static_cast<std::int32_t>(Read32(file, 22));
    const std::uint16_t bitsPerPixel = Read16(file, 28);
    const std::uint32_t compression = Read32(file, 30);
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
        bitsPerPixel != 24 || compression != 0) {
        return std::nullopt;
    }
    const std::uint64_t rowBytes = (3 * static_cast<std::uint64_t>(width) + 3) / 4 * 4;
    const std::size_t columns = std::min<std::size_t>(static_cast<std::size_t>(width), kWidth);
    const std::size_t rows = std::min<std::size_t>(static_cast<std::size_t>(height), kHeight);
    // Bottom-up: the picture's top row is the file's last; every row shown must be there whole.
    const std::uint64_t end = pixelOffset + (static_cast<std::uint64_t>(height) - 1) * rowBytes +
                              3 * static_cast<std::uint64_t>(columns);
    if (end > file.size()) {
        return std::nullopt;
    }
    LCDFrame frame{};
    for (std::size_t y = 0; y < rows; ++y) {
        const std::uint64_t row =
            pixelOffset + (static_cast<std::uint64_t>(height) - 1 - y) * rowBytes;
        for (std::size_t x = 0; x < columns; ++x) {
            const auto pixel = static_cast<std::size_t>(row + 3 * x);
            const int blue = static_cast<unsigned char>(file[pixel]);
            const int green = static_cast<unsigned char>(file[pixel + 1]);
            const int red = static_cast<unsigned char>(file[pixel + 2]);
            if (IsDarkColour(red, green, blue)) {
                frame[x + kWidth * (y / 8)] |= static_cast<std::uint8_t>(1u << (y % 8));
            }
        }
    }
    return frame;
}

std::optional<IconBits> DecodeIcon(std::string_view file) {
    IconBits icon{};
    if (file.size() < icon.size()) {
        return std::nullopt;
    }
    std::memcpy(icon.data(), file.data(), icon.size());
    return icon;
}

bool PlaceIcon(LCDFrame& frame, const IconBits& icon, int page, int column) {
    if (page < 0 || page > kLastIconPage || column < 0 || column > kLastIconColumn) {
        return false;
    }
    const std::size_t upper =
        kWidth * static_cast<std::size_t>(page) + static_cast<std::size_t>(column);
    std::copy_n(icon.begin(), kIconHalf, frame.begin() + static_cast<std::ptrdiff_t>(upper));
    std::copy_n(icon.begin() + kIconHalf, kIconHalf,
                frame.begin() + static_cast<std::ptrdiff_t>(upper + kWidth));
    return true;
}
