// The application's title, shown as the caption of message boxes.
#pragma once

#include <QString>

namespace orvella::ui {

QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

}  // namespace orvella::ui
