// The scenery check's window tests run the real widgets on Qt's offscreen
// platform, with a fixed style, locale and font resolution.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>

#include "ui/apptitle.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QT_FONT_DPI", "96");
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  qputenv("QT_SCALE_FACTOR", "1");
  qputenv("LC_ALL", "C.UTF-8");
  QLocale::setDefault(QLocale::c());
  QApplication app(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  orvella::ui::SetApplicationTitle(QStringLiteral("X-Plane Orvella"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
