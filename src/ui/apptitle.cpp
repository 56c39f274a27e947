#include "ui/apptitle.h"

#include <QCoreApplication>

namespace orvella::ui {

namespace {
QString& Title() {
  static QString title;
  return title;
}
}  // namespace

QString ApplicationTitle() { return Title().isEmpty() ? QCoreApplication::applicationName() : Title(); }

void SetApplicationTitle(const QString& title) {
  Title() = title;
  QCoreApplication::setApplicationName(title);
}

}  // namespace orvella::ui
