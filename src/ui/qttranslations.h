// Qt's own texts (the buttons of message boxes, the folder picker) in the
// user's language, so that the standard dialogs speak the language of the
// program's texts around them.
#pragma once

#include <QLocale>
#include <QStringList>

class QCoreApplication;
class QTranslator;

namespace orvella::ui {

// The language of Qt's own texts: the user's locale, or French (the
// program's own language) when the locale names no language (C, POSIX).
QLocale LangueInterface(const QLocale& system = QLocale::system());

// Where Qt's catalogues are looked for, first match wins: "translations"
// beside the executable (a deployed program), then Qt's own folder.
QStringList DossiersTraductionsQt();

// Loads Qt's catalogue ("qt_<language>.qm", else "qtbase_<language>.qm") for
// locale and installs it in app, which owns it. Answers the translator, or
// nullptr when an English locale or a missing catalogue leaves Qt's English.
QTranslator* InstalleTraductionsQt(QCoreApplication& app, const QLocale& locale = LangueInterface());

}  // namespace orvella::ui
