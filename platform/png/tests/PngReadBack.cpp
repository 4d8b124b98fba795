// Reading a PNG back with libpng's simplified API, for tests.
#include "platform/png/tests/PngReadBack.h"

#include <png.h>

namespace platform {
namespace {

// The IHDR chunk always comes first: signature 8, length 4, type 4, width 4, height 4.
constexpr std::size_t kBitDepthOffset = 24;

}  // namespace

std::optional<ReadBackPng> ReadPngBack(std::span<const std::uint8_t> png) {
    if (png.size() <= kBitDepthOffset) {
        return std::nullopt;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, png.data(), png.size()) == 0) {
        return std::nullopt;
    }
    ReadBackPng result;
    result.width = image.width;
    result.height = image.height;
    result.bitDepth = png[kBitDepthOffset];
    result.colour = (image.format & PNG_FORMAT_FLAG_COLOR) != 0;
    image.format = result.colour ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
    result.pixels.resize(PNG_IMAGE_SIZE(image));
    // Frees what begin_read allocated, whether it succeeds or not.
    if (png_image_finish_read(&image, nullptr, result.pixels.data(), 0, nullptr) == 0) {
        return std::nullopt;
    }
    return result;
}

}  // namespace platform
