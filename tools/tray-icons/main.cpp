// tray-icons: the desktop host's tray pictures, written by the build.
//
//   tray-icons OUTPUT_DIR [SHEET.png]
//
// Writes OUTPUT_DIR/allok.ico, noskype.ico and nodevice.ico, each holding the picture at every
// size of tray_icons::kSizes, creating OUTPUT_DIR when missing. Each file is replaced whole, so
// a host that loads it meanwhile reads the old icon or the new one. With SHEET.png, the three
// pictures also go into one picture to look at: a row each, on a light and on a dark panel, at
// every size as they are, then 22 pixels enlarged 6 times and 48 pixels enlarged 3 times.
// Exit status: 0 done; 1 a file could not be written; 2 bad usage.
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <vector>

#include "platform/files/AtomicFile.h"
#include "platform/png/PngWriter.h"
#include "tools/tray-icons/TrayIcons.h"

namespace fs = std::filesystem;
using tray_icons::Picture;

namespace {

constexpr int kGap = 8;
constexpr struct {
    int size;
    int scale;
} kEnlarged[] = {{22, 6}, {48, 3}};
constexpr std::uint8_t kPanels[] = {0xF0, 0x2E};  // a light panel and a dark one

class Sheet {
  public:
    Sheet(int width, int height)
        : width_(width), height_(height), rgb_(static_cast<std::size_t>(width) * height * 3) {}

    void Fill(int left, int top, int width, int height, std::uint8_t grey) {
        for (int y = top; y < top + height; ++y) {
            std::fill_n(&rgb_[(static_cast<std::size_t>(y) * width_ + left) * 3], width * 3, grey);
        }
    }

    // `picture` over what is there, each pixel `scale` x `scale`.
    void Put(const Picture& picture, int left, int top, int scale) {
        for (int y = 0; y < picture.size * scale; ++y) {
            for (int x = 0; x < picture.size * scale; ++x) {
                const std::uint8_t* in =
                    &picture.rgba[(static_cast<std::size_t>(y / scale) * picture.size + x / scale) *
                                  4];
                std::uint8_t* out =
                    &rgb_[(static_cast<std::size_t>(top + y) * width_ + left + x) * 3];
                for (int c = 0; c < 3; ++c) {
                    out[c] = static_cast<std::uint8_t>(
                        (in[c] * in[3] + out[c] * (255 - in[3]) + 127) / 255);
                }
            }
        }
    }

    bool Write(const fs::path& file) const {
        const platform::PngImage image{static_cast<std::uint32_t>(width_),
                                       static_cast<std::uint32_t>(height_),
                                       platform::PngPixels::kRgb8, rgb_};
        return platform::WritePngFile(file, image) == platform::PngResult::kOk;
    }

  private:
    int width_;
    int height_;
    std::vector<std::uint8_t> rgb_;
};

bool WriteSheet(const fs::path& file) {
    int panelWidth = kGap;
    int rowHeight = 0;
    for (int size : tray_icons::kSizes) {
        panelWidth += size + kGap;
    }
    for (const auto& enlarged : kEnlarged) {
        panelWidth += enlarged.size * enlarged.scale + kGap;
        rowHeight = std::max(rowHeight, enlarged.size * enlarged.scale);
    }
    const auto rows = static_cast<int>(tray_icons::kStates.size());
    const int height = kGap + rows * (rowHeight + kGap);
    Sheet sheet(panelWidth * 2, height);
    for (int panel = 0; panel < 2; ++panel) {
        sheet.Fill(panel * panelWidth, 0, panelWidth, height, kPanels[panel]);
        for (int row = 0; row < rows; ++row) {
            const tray_icons::TrayState state = tray_icons::kStates[row];
            const int top = kGap + row * (rowHeight + kGap);
            int left = panel * panelWidth + kGap;
            for (int size : tray_icons::kSizes) {
                sheet.Put(tray_icons::Draw(state, size), left, top + (rowHeight - size) / 2, 1);
                left += size + kGap;
            }
            for (const auto& enlarged : kEnlarged) {
                sheet.Put(tray_icons::Draw(state, enlarged.size), left, top, enlarged.scale);
                left += enlarged.size * enlarged.scale + kGap;
            }
        }
    }
    return sheet.Write(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::cerr << "usage: tray-icons OUTPUT_DIR [SHEET.png]\n";
        return 2;
    }
    const fs::path output = argv[1];
    std::error_code error;
    fs::create_directories(output, error);
    if (error) {
        std::cerr << "tray-icons: cannot create " << output.native() << ": " << error.message()
                  << "\n";
        return 1;
    }
    for (tray_icons::TrayState state : tray_icons::kStates) {
        std::vector<Picture> pictures;
        for (int size : tray_icons::kSizes) {
            pictures.push_back(tray_icons::Draw(state, size));
        }
        const fs::path file = output / tray_icons::FileName(state);
        if (!platform::ReplaceFileAtomically(file, tray_icons::IcoFile(pictures))) {
            std::cerr << "tray-icons: cannot write " << file.native()
                      << " (not a writable file, a read-only directory or a full disk)\n";
            return 1;
        }
    }
    if (argc == 3 && !WriteSheet(argv[2])) {
        std::cerr << "tray-icons: cannot write the sheet " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
