// Qt's own texts in the user's language: the folder picker and the standard
// buttons follow the locale, French when the locale names no language.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include "ui/qttranslations.h"
#include "uitest.h"

namespace orvella::test {
namespace {

TEST(QtTranslations, TheLanguageIsTheLocalesOrFrenchWhenItNamesNone) {
  EXPECT_EQ(ui::LangueInterface(QLocale::c()).language(), QLocale::French);
  EXPECT_EQ(ui::LangueInterface(QLocale(QLocale::German, QLocale::Germany)).language(), QLocale::German);
  EXPECT_EQ(ui::LangueInterface(QLocale(QLocale::French, QLocale::Canada)).territory(), QLocale::Canada);
  EXPECT_EQ(ui::InstalleTraductionsQt(*qApp, QLocale(QLocale::English, QLocale::UnitedStates)), nullptr)
      << "Qt speaks English already";
}

// Removes the translator at the end of the test, so that the other tests see
// Qt's English texts again.
struct Installed {
  QTranslator* translator;
  ~Installed() {
    if (translator) {
      QCoreApplication::removeTranslator(translator);
      delete translator;
    }
  }
};

QString LookIn() {
  QFileDialog dlg(nullptr, QStringLiteral("x"));
  dlg.setOption(QFileDialog::DontUseNativeDialog);
  dlg.setFileMode(QFileDialog::Directory);
  auto* label = dlg.findChild<QLabel*>(QStringLiteral("lookInLabel"));
  return label ? label->text() : QString();
}

QString YesOf() {
  QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("q"), QMessageBox::Yes | QMessageBox::No);
  return box.button(QMessageBox::Yes)->text();
}

TEST(QtTranslations, FrenchCatalogueTranslatesTheFolderPickerAndStandardButtons) {
  const QString englishLookIn = LookIn();
  const QString englishYes = YesOf();
  ASSERT_FALSE(englishLookIn.isEmpty());
  Installed fr{ui::InstalleTraductionsQt(*qApp, QLocale(QLocale::French, QLocale::France))};
  ASSERT_NE(fr.translator, nullptr) << "Qt's French catalogue (qt6-translations-l10n) is missing from "
                                    << ui::DossiersTraductionsQt().join(QStringLiteral(", ")).toStdString();
  EXPECT_NE(LookIn(), englishLookIn);
  EXPECT_EQ(LookIn(), QStringLiteral("Voir dans :"));
  EXPECT_NE(YesOf(), englishYes);
  EXPECT_EQ(YesOf().remove(QLatin1Char('&')), QStringLiteral("Oui"));
}

}  // namespace
}  // namespace orvella::test
