// icon-compiler: the handset's icons from their art to the files the system reads.
//
//   icon-compiler ART_DIR OUTPUT_DIR [SHEET.png]
//
// Every ART_DIR/NAME.txt (subfolders included) becomes OUTPUT_DIR/NAME.obj, 32 bytes in the LCD's
// page layout. With SHEET.png, every icon also goes into one picture, side by side in the order
// of their names, each pixel 4 x 4, for the documentation. Exit status: 0 done; 1 an icon could
// not be read or written; 2 bad usage.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <vector>

#include "platform/png/PngWriter.h"
#include "tools/icon-compiler/IconArt.h"

namespace fs = std::filesystem;
using icon_compiler::IconBytes;

namespace {

constexpr std::uint32_t kScale = 4;
constexpr std::uint32_t kGap = 4;  // sheet pixels between icons and round them

bool WriteSheet(const fs::path& file, const std::vector<IconBytes>& icons) {
    const std::uint32_t side = 16 * kScale;
    const auto count = static_cast<std::uint32_t>(icons.size());
    const std::uint32_t width = kGap + count * (side + kGap);
    const std::uint32_t height = side + 2 * kGap;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height, 255);
    for (std::uint32_t i = 0; i < count; ++i) {
        for (std::uint32_t y = 0; y < side; ++y) {
            for (std::uint32_t x = 0; x < side; ++x) {
                if (icon_compiler::IsDark(icons[i], static_cast<int>(x / kScale),
                                          static_cast<int>(y / kScale))) {
                    pixels[(kGap + y) * width + kGap + i * (side + kGap) + x] = 0;
                }
            }
        }
    }
    return platform::WritePngFile(file, {width, height, platform::PngPixels::kGrey8, pixels}) ==
           platform::PngResult::kOk;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: icon-compiler ART_DIR OUTPUT_DIR [SHEET.png]\n";
        return 2;
    }
    const fs::path art = argv[1];
    const fs::path output = argv[2];
    std::vector<fs::path> sources;
    std::error_code error;
    for (fs::recursive_directory_iterator it(art, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_regular_file() && it->path().extension() == ".txt") {
            sources.push_back(it->path());
        }
    }
    if (error) {
        std::cerr << "icon-compiler: cannot read " << art.native() << ": " << error.message()
                  << "\n";
        return 1;
    }
    std::sort(sources.begin(), sources.end());
    std::vector<IconBytes> icons;
    for (const fs::path& source : sources) {
        std::ifstream in(source);
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        std::string problem;
        const std::optional<IconBytes> icon = icon_compiler::ParseIconArt(text, problem);
        if (!icon) {
            std::cerr << "icon-compiler: " << source.native() << ": " << problem << "\n";
            return 1;
        }
        fs::path target = output / fs::relative(source, art);
        target.replace_extension(".obj");
        fs::create_directories(target.parent_path(), error);
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(icon->data()),
                  static_cast<std::streamsize>(icon->size()));
        if (!out) {
            std::cerr << "icon-compiler: cannot write " << target.native() << "\n";
            return 1;
        }
        icons.push_back(*icon);
    }
    if (argc == 4 && !WriteSheet(argv[3], icons)) {
        std::cerr << "icon-compiler: cannot write " << argv[3] << "\n";
        return 1;
    }
    return 0;
}
