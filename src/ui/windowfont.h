// The font of the program's windows.
#pragma once

#include <QFont>
#include <QStringList>

namespace orvella::ui {

// The font of the program's windows: "MS Sans Serif", 8 points at 96 dpi
// (11 pixels), or the first of WindowFontFamilies() that the system has.
// The first call adds the font files of WindowFontFiles() that exist to the
// application's fonts.
QFont WindowFont();
QStringList WindowFontFamilies();
QStringList WindowFontFiles();

}  // namespace orvella::ui
