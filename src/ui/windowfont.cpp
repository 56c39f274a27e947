#include "ui/windowfont.h"

#include <QFileInfo>
#include <QFontDatabase>

namespace orvella::ui {

QStringList WindowFontFiles() {
  // Wine's TrueType versions of the Windows dialog fonts, drawn to the same
  // metrics (Debian's fonts-wine); fontconfig does not list them.
  const QString wine = QStringLiteral("/usr/share/wine/fonts/");
  return {wine + QStringLiteral("ms_sans_serif.ttf"), wine + QStringLiteral("tahoma.ttf"),
          wine + QStringLiteral("tahomabd.ttf")};
}

QStringList WindowFontFamilies() {
  // The design's font first, then fonts of the same or narrower metrics, so
  // that every caption fits the design's control sizes; the last ones only
  // keep the program readable on a system that has none of them.
  return {QStringLiteral("MS Sans Serif"),
          QStringLiteral("Microsoft Sans Serif"),
          QStringLiteral("Tahoma"),
          QStringLiteral("Carlito"),
          QStringLiteral("Liberation Sans Narrow"),
          QStringLiteral("Liberation Sans"),
          QStringLiteral("Arial"),
          QStringLiteral("DejaVu Sans")};
}

QFont WindowFont() {
  static const bool registered = [] {
    for (const QString& file : WindowFontFiles()) {
      if (QFileInfo::exists(file)) QFontDatabase::addApplicationFont(file);
    }
    return true;
  }();
  (void)registered;
  QFont f;
  f.setFamilies(WindowFontFamilies());
  f.setStyleHint(QFont::SansSerif);
  // The controls have fixed pixel sizes: the text keeps the pixel height
  // they were laid out for, whatever the screen's dpi.
  f.setPixelSize(11);
  return f;
}

}  // namespace orvella::ui
