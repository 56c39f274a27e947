#include "ui/qttranslations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace orvella::ui {

QLocale LangueInterface(const QLocale& system) {
  if (system.language() == QLocale::C || system.language() == QLocale::AnyLanguage)
    return QLocale(QLocale::French, QLocale::France);
  return system;
}

QStringList DossiersTraductionsQt() {
  QStringList dirs;
  // Built into the program (the Windows build), then beside it, then Qt's own.
  if (QDir(QStringLiteral(":/translations")).exists()) dirs << QStringLiteral(":/translations");
  const QString beside = QCoreApplication::applicationDirPath();
  if (!beside.isEmpty()) dirs << QDir(beside).filePath(QStringLiteral("translations"));
  dirs << QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  return dirs;
}

QTranslator* InstalleTraductionsQt(QCoreApplication& app, const QLocale& locale) {
  // Qt's texts are English to begin with.
  if (locale.language() == QLocale::English) return nullptr;
  for (const QString& dir : DossiersTraductionsQt()) {
    for (const QString& name : {QStringLiteral("qt"), QStringLiteral("qtbase")}) {
      // The translator lives as long as the application that owns it.
      auto* translator = new QTranslator(&app);
      if (translator->load(locale, name, QStringLiteral("_"), dir) && !translator->isEmpty()) {
        QCoreApplication::installTranslator(translator);
        return translator;
      }
      delete translator;
    }
  }
  return nullptr;
}

}  // namespace orvella::ui
