// The tray pictures as the desktop host gets them: each [ICON] value of the sample settings names
// a file the build wrote into the program directory's logo/, Qt reads every size of it exactly as
// drawn, and the three states stay apart at every size, by shape and by colour.
#include "tools/tray-icons/TrayIcons.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "platform/profile/Profile.h"

namespace tray_icons {
namespace {

namespace fs = std::filesystem;

const wchar_t* SettingsKey(TrayState state) {
    switch (state) {
        case TrayState::kAllOk:
            return L"allok";
        case TrayState::kNoSoftphone:
            return L"noskype";
        case TrayState::kNoDevice:
            return L"nodevice";
    }
    return L"";
}

// The file the host loads for `state`: logo/ in the program directory, named by the sample
// settings.
fs::path IconFile(TrayState state) {
    const char* program = std::getenv("KESTREL_PROGRAM_DIR");
    const std::wstring value = platform::GetPrivateProfileString(L"ICON", SettingsKey(state), L"",
                                                                 KESTREL_SAMPLE_SETTINGS);
    return program == nullptr || value.empty() ? fs::path() : fs::path(program) / "logo" / value;
}

QString QtPath(const fs::path& path) {
    return QString::fromStdString(path.native());
}

// The picture the host's tray gets at `size`, colours not premultiplied.
QImage TrayPicture(TrayState state, int size) {
    return QIcon(QtPath(IconFile(state)))
        .pixmap(size)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

// Pixels whose alpha or colour differ by more than `tolerance` between `a` and `b`, compared
// premultiplied, as a panel shows them.
int DifferentPixels(const QImage& a, const QImage& b, int tolerance) {
    const QImage pa = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage pb = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int different = 0;
    for (int y = 0; y < pa.height(); ++y) {
        for (int x = 0; x < pa.width(); ++x) {
            const QRgb p = pa.pixel(x, y);
            const QRgb q = pb.pixel(x, y);
            const int diff =
                std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
            different += diff > tolerance ? 1 : 0;
        }
    }
    return different;
}

QImage AsDrawn(TrayState state, int size) {
    const Picture picture = Draw(state, size);
    QImage image(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const std::uint8_t* p = &picture.rgba[(static_cast<std::size_t>(y) * size + x) * 4];
            image.setPixel(x, y, qRgba(p[0], p[1], p[2], p[3]));
        }
    }
    return image;
}

TEST(TrayIcons, EverySettingNamesAFileQtReadsAtEverySizeAsDrawn) {
    for (TrayState state : kStates) {
        const fs::path file = IconFile(state);
        SCOPED_TRACE(file.native());
        ASSERT_EQ(FileName(state), file.filename().native())
            << "the [ICON] value and the file the build writes";
        QImageReader reader(QtPath(file));
        ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
        EXPECT_EQ("ico", reader.format().toStdString());
        ASSERT_EQ(static_cast<int>(kSizes.size()), reader.imageCount());
        std::map<int, QImage> read;
        for (int i = 0; i < reader.imageCount(); ++i) {
            ASSERT_TRUE(reader.jumpToImage(i));
            const QImage image = reader.read();
            ASSERT_FALSE(image.isNull()) << "entry " << i;
            EXPECT_EQ(image.width(), image.height());
            EXPECT_TRUE(image.hasAlphaChannel());
            read[image.width()] = image;
        }
        // QImage, or a viewer, takes one picture: it is the best one.
        EXPECT_EQ(*std::max_element(kSizes.begin(), kSizes.end()), QImage(QtPath(file)).width());
        const QIcon icon(QtPath(file));
        for (int size : kSizes) {
            SCOPED_TRACE(size);
            ASSERT_EQ(1u, read.count(size));
            // One step of rounding through Qt's premultiplication, nothing more: the rows in
            // order, the channels in place, the transparent pixels transparent.
            EXPECT_EQ(0, DifferentPixels(AsDrawn(state, size), read[size], 1));
            EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
            // The tray gets the entry drawn for the size, not another one scaled.
            EXPECT_EQ(0, DifferentPixels(read[size], TrayPicture(state, size), 0));
        }
    }
}

TEST(TrayIcons, TheThreeStatesAreToldApartAtEverySize) {
    const auto isBadgeRed = [](QRgb p) {
        return qAlpha(p) == 255 && qRed(p) >= 180 && qGreen(p) <= 80 && qBlue(p) <= 80;
    };
    for (int size : kSizes) {
        SCOPED_TRACE(size);
        std::map<TrayState, QImage> pictures;
        for (TrayState state : kStates) {
            SCOPED_TRACE(static_cast<int>(state));
            const QImage picture = TrayPicture(state, size);
            ASSERT_EQ(QSize(size, size), picture.size());
            int covered = 0;
            int red = 0;
            int redOutsideTheCorner = 0;
            int coloured = 0;
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    const QRgb p = picture.pixel(x, y);
                    covered += qAlpha(p) >= 128 ? 1 : 0;
                    if (isBadgeRed(p)) {
                        ++red;
                        redOutsideTheCorner += x < size / 2 || y >= size / 2 ? 1 : 0;
                    }
                    const int spread = std::max({qRed(p), qGreen(p), qBlue(p)}) -
                                       std::min({qRed(p), qGreen(p), qBlue(p)});
                    coloured += qAlpha(p) > 0 && spread > 2 ? 1 : 0;
                }
            }
            // A handset, not an empty picture nor a filled square.
            EXPECT_GT(covered, size * size / 4);
            EXPECT_LT(covered, size * size * 2 / 3);
            EXPECT_EQ(0, qAlpha(picture.pixel(0, size - 1))) << "the bottom left corner";
            switch (state) {
                case TrayState::kNoSoftphone:
                    EXPECT_GE(red, size * size / 20) << "the cross's badge";
                    EXPECT_EQ(0, redOutsideTheCorner) << "the badge sits in the top right";
                    break;
                case TrayState::kAllOk:
                    EXPECT_EQ(0, red);
                    EXPECT_GT(coloured, size * size / 5);
                    break;
                case TrayState::kNoDevice:
                    EXPECT_EQ(0, coloured) << "greyed out: no colour at all";
                    break;
            }
            pictures[state] = picture;
        }
        for (std::size_t i = 0; i < kStates.size(); ++i) {
            for (std::size_t j = i + 1; j < kStates.size(); ++j) {
                EXPECT_GE(DifferentPixels(pictures[kStates[i]], pictures[kStates[j]], 64),
                          size * size / 12)
                    << static_cast<int>(kStates[i]) << " and " << static_cast<int>(kStates[j]);
            }
        }
    }
}

}  // namespace
}  // namespace tray_icons

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
