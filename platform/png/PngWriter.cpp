// PNG pictures through libpng's write API, into memory; files are replaced atomically.
#include "platform/png/PngWriter.h"

#include <png.h>

#include <new>
#include <string_view>

#include "platform/files/AtomicFile.h"

namespace platform {
namespace {

struct Sink {
    std::vector<std::uint8_t>* png = nullptr;
    bool outOfMemory = false;
};

// libpng's errors leave by longjmp; nothing of ours is printed.
[[noreturn]] void Fail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

void Append(png_structp png, png_bytep data, png_size_t length) {
    auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
    try {
        sink->png->insert(sink->png->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        sink->outOfMemory = true;
    }
    // Outside the handler: longjmp must not leave a catch block.
    if (sink->outOfMemory) {
        png_error(png, "out of memory");
    }
}

void NoFlush(png_structp) {}

int BitDepth(PngPixels format) {
    return format == PngPixels::kGrey1 ? 1 : 8;
}

int ColourType(PngPixels format) {
    return format == PngPixels::kRgb8 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY;
}

// Everything from png_create_write_struct to png_destroy_write_struct. Only trivially
// destructible objects live in this frame, as a libpng error longjmps back into it.
bool Encode(const PngImage& image, png_bytep* rows, Sink* sink) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, IgnoreWarning);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, sink, Append, NoFlush);
    png_set_IHDR(png, info, image.width, image.height, BitDepth(image.format),
                 ColourType(image.format), PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(png, info, rows);
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

std::size_t PngRowBytes(std::uint32_t width, PngPixels format) {
    switch (format) {
        case PngPixels::kGrey1:
            return (std::size_t{width} + 7) / 8;
        case PngPixels::kGrey8:
            return width;
        case PngPixels::kRgb8:
            return std::size_t{width} * 3;
    }
    return 0;
}

std::string_view ToString(PngResult result) {
    switch (result) {
        case PngResult::kOk:
            return "ok";
        case PngResult::kBadImage:
            return "bad image";
        case PngResult::kEncodeFailed:
            return "encoding failed";
        case PngResult::kWriteFailed:
            return "writing the file failed";
    }
    return "?";
}

PngResult EncodePng(const PngImage& image, std::vector<std::uint8_t>& png) {
    png.clear();
    if (image.width == 0 || image.height == 0 || image.width > kMaxPngSide ||
        image.height > kMaxPngSide ||
        image.pixels.size() != PngRowBytes(image.width, image.format) * image.height) {
        return PngResult::kBadImage;
    }
    const std::size_t rowBytes = PngRowBytes(image.width, image.format);
    std::vector<png_bytep> rows(image.height);
    for (std::size_t y = 0; y < rows.size(); ++y) {
        // libpng's row type is not const; it only reads the rows.
        rows[y] = const_cast<png_bytep>(image.pixels.data() + y * rowBytes);
    }
    Sink sink{&png};
    if (!Encode(image, rows.data(), &sink)) {
        png.clear();
        return PngResult::kEncodeFailed;
    }
    return PngResult::kOk;
}

PngResult WritePngFile(const std::filesystem::path& path, const PngImage& image) {
    std::vector<std::uint8_t> png;
    const PngResult encoded = EncodePng(image, png);
    if (encoded != PngResult::kOk) {
        return encoded;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(png.data()), png.size());
    return ReplaceFileAtomically(path, bytes) ? PngResult::kOk : PngResult::kWriteFailed;
}

}  // namespace platform
