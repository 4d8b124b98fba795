// The console's font and its CJK fallbacks.
#include "host/larkspur/ConsoleFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

// Debian's fonts-noto-cjk and fonts-wqy-microhei, in order of preference.
const char* const kCjkFamilies[] = {"Noto Sans CJK SC", "Noto Sans CJK JP", "Noto Sans CJK TC",
                                    "WenQuanYi Micro Hei"};

}  // namespace

QFont ConsoleFont(const QFont& desktopFont) {
    QStringList families{desktopFont.family()};
    const QStringList installed = QFontDatabase::families();
    for (const char* family : kCjkFamilies) {
        if (installed.contains(QLatin1String(family))) {
            families.append(QLatin1String(family));
        }
    }
    QFont font = desktopFont;
    font.setFamilies(families);
    return font;
}
