// The console's font: the desktop's, with a font that has Chinese and Japanese glyphs ahead of
// any fallback the font configuration might pick (such as a bitmap font's outline version).
#pragma once

#include <QFont>

QFont ConsoleFont(const QFont& desktopFont);
