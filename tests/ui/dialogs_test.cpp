// The two dialogs built and clicked directly, and the real Interaction's
// boxes driven while they are open.
#include <QApplication>
#include <QCursor>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "logic/core/ansi.h"
#include "ui/copydialog.h"
#include "ui/librariesdialog.h"
#include "ui/qtinteraction.h"
#include "uitest.h"

namespace orvella::test {
namespace {

using ui::TEcrBiblios;
using ui::TEcrConfirmeCopie;

using DialogTest = UiTest;

TEST_F(DialogTest, CopyOrMoveDialogGeometryCaptionsAndAnswers) {
  TEcrConfirmeCopie dlg;
  EXPECT_EQ(dlg.objectName(), QStringLiteral("EcrConfirmeCopie"));
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Que voulez vous faire ?"));
  EXPECT_EQ(dlg.size(), QSize(273, 73));
  EXPECT_EQ(dlg.pos(), QPoint(310, 130));
  auto* label = qobject_cast<QLabel*>(dlg.control("lbTitre"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), U("Voulez-vous copier ou déplacer ?"));
  EXPECT_TRUE(label->font().bold());
  EXPECT_EQ(label->pos(), QPoint(32, 16));
  EXPECT_EQ(dlg.button("btnCopier")->geometry(), QRect(8, 40, 75, 25));
  EXPECT_EQ(dlg.button("btnDeplacer")->geometry(), QRect(96, 40, 75, 25));
  EXPECT_EQ(dlg.button("btnAnnuler")->geometry(), QRect(184, 40, 75, 25));
  EXPECT_EQ(dlg.button("btnDeplacer")->text(), U("Déplacer"));

  const std::pair<const char*, int> answers[] = {{"btnCopier", 6}, {"btnDeplacer", 7}, {"btnAnnuler", 2}};
  for (const auto& [name, result] : answers) {
    TEcrConfirmeCopie d;
    d.open();
    QTest::mouseClick(d.button(name), Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), result) << name;
  }
  // Closed by the close box or Escape: cancel.
  TEcrConfirmeCopie closed;
  closed.open();
  closed.close();
  EXPECT_EQ(closed.result(), 2);
  TEcrConfirmeCopie escaped;
  escaped.open();
  QTest::keyClick(&escaped, Qt::Key_Escape);
  EXPECT_EQ(escaped.result(), 2);
}

TEST_F(DialogTest, CopyOrMoveDialogIsTranslatedInItsOwnSection) {
  dir.file("orvella.lng",
           "[EcrConfirmeCopie]\r\ncaption=Copy or move?\r\nbtnDeplacer=Move\r\n"
           "[EcrOrvella]\r\nbtnCopier=Wrong section\r\n");
  TEcrConfirmeCopie dlg;
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Copy or move?"));
  EXPECT_EQ(dlg.button("btnDeplacer")->text(), QStringLiteral("Move"));
  EXPECT_EQ(dlg.button("btnCopier")->text(), QStringLiteral("Copier"));
}

TEST_F(DialogTest, LibraryDialogLayoutFollowsItsAnchors) {
  TEcrBiblios dlg;
  EXPECT_EQ(dlg.objectName(), QStringLiteral("EcrBiblios"));
  EXPECT_EQ(dlg.windowTitle(), U("Chemins de base des bibliothèques"));
  EXPECT_EQ(dlg.size(), QSize(460, 150));
  auto* label = qobject_cast<QLabel*>(dlg.control("lbTitre"));
  EXPECT_EQ(label->text(), U("Liste des dossiers bibliothèques qui vont être scrutées :"));
  EXPECT_TRUE(label->font().bold());
  EXPECT_EQ(label->pos(), QPoint(8, 8));
  EXPECT_EQ(dlg.liste()->geometry(), QRect(8, 24, 330, 113));
  EXPECT_EQ(dlg.button("btnAjoute")->geometry(), QRect(351, 24, 105, 25));
  EXPECT_EQ(dlg.button("btnSupprime")->geometry(), QRect(351, 56, 105, 25));
  EXPECT_EQ(dlg.button("btnOk")->geometry(), QRect(367, 112, 75, 25));
  EXPECT_FALSE(dlg.button("btnSupprime")->isEnabled());
  EXPECT_EQ(dlg.button("btnOk")->text(), QStringLiteral("Ok"));

  // The user resizes the open dialog.
  dlg.show();
  dlg.resize(560, 250);
  EXPECT_EQ(dlg.liste()->geometry(), QRect(8, 24, 430, 213));
  EXPECT_EQ(dlg.button("btnAjoute")->geometry(), QRect(451, 24, 105, 25));
  EXPECT_EQ(dlg.button("btnSupprime")->geometry(), QRect(451, 56, 105, 25));
  EXPECT_EQ(dlg.button("btnOk")->geometry(), QRect(467, 212, 75, 25));
  EXPECT_EQ(label->pos(), QPoint(8, 8));
}

TEST_F(DialogTest, LibraryDialogAddsRemovesAndAnswersItsList) {
  dir.file("orvella.lng", "[EcrBiblios]\r\nAjoutBiblio=Pick a library\r\nbtnOk=Done\r\n");
  TEcrBiblios dlg;
  EXPECT_EQ(dlg.button("btnOk")->text(), QStringLiteral("Done"));
  dlg.setFolders({"D:\\Scenes\\", A("E:\\Bibliothèque\\")});
  EXPECT_EQ(dlg.liste()->item(1)->text(), U("E:\\Bibliothèque\\"));

  scripted.folderAnswers = {std::string("F:\\More"), std::string("G:\\"), std::nullopt};
  QTest::mouseClick(dlg.button("btnAjoute"), Qt::LeftButton);
  QTest::mouseClick(dlg.button("btnAjoute"), Qt::LeftButton);
  QTest::mouseClick(dlg.button("btnAjoute"), Qt::LeftButton);
  ASSERT_EQ(scripted.events.size(), 3u);
  EXPECT_EQ(scripted.events[0].text, "Pick a library");
  // A drive root already ends with "\": it gets a second one.
  EXPECT_EQ(dlg.folders(), std::vector<std::string>({"D:\\Scenes\\", A("E:\\Bibliothèque\\"), "F:\\More\\", "G:\\\\"}));

  // Selecting an entry enables removal; removing leaves nothing selected
  // and the button enabled; pressing it again removes nothing.
  QTest::mouseClick(dlg.liste()->viewport(), Qt::LeftButton, {},
                    dlg.liste()->visualItemRect(dlg.liste()->item(0)).center());
  EXPECT_TRUE(dlg.button("btnSupprime")->isEnabled());
  QTest::mouseClick(dlg.button("btnSupprime"), Qt::LeftButton);
  EXPECT_EQ(dlg.folders(), std::vector<std::string>({A("E:\\Bibliothèque\\"), "F:\\More\\", "G:\\\\"}));
  EXPECT_TRUE(dlg.liste()->selectedItems().isEmpty());
  EXPECT_TRUE(dlg.button("btnSupprime")->isEnabled());
  QTest::mouseClick(dlg.button("btnSupprime"), Qt::LeftButton);
  EXPECT_EQ(dlg.folders().size(), 3u);

  // An entry with an empty text cannot be removed.
  dlg.liste()->addItem(QString());
  dlg.liste()->setCurrentRow(3);
  EXPECT_FALSE(dlg.button("btnSupprime")->isEnabled());

  dlg.open();
  QTest::mouseClick(dlg.button("btnOk"), Qt::LeftButton);
  EXPECT_EQ(dlg.result(), 1);
}

TEST_F(DialogTest, LibraryDialogSitsAboveThePointerCentredOnTheWindow) {
  TEcrBiblios dlg;
  EXPECT_EQ(dlg.placement(QRect(100, 50, 700, 600), QPoint(400, 500)), QPoint(220, 350));
  // A window narrower than the dialog: the offset halves toward zero.
  EXPECT_EQ(dlg.placement(QRect(100, 50, 401, 600), QPoint(400, 500)), QPoint(71, 350));
  // Near the top of the screen the title bar stays reachable.
  const int top = QGuiApplication::primaryScreen()->availableGeometry().top();
  EXPECT_EQ(dlg.placement(QRect(100, 50, 700, 600), QPoint(400, top + 60)).y(), top);
}

// Runs `check` on the modal widget once the box or dialog is open.
template <typename W>
void WhenOpen(std::function<void(W*)> check) {
  QTimer::singleShot(0, [check] {
    auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
    ASSERT_NE(w, nullptr);
    check(w);
  });
}

QAbstractButton* ButtonText(QMessageBox* box, const QString& text) {
  for (QAbstractButton* b : box->buttons())
    if (b->text() == text) return b;
  return nullptr;
}

TEST(QtInteractionTest, WarningBoxAppliesOnlyNonNegativeCoordinates) {
  const QRect screen(0, 0, 800, 600);
  const QSize box(300, 100);
  using ui::QtInteraction;
  EXPECT_EQ(QtInteraction::WarningPosition(box, {50, 60}, screen), QPoint(50, 60));
  EXPECT_EQ(QtInteraction::WarningPosition(box, {-1, 60}, screen), QPoint(250, 60));
  EXPECT_EQ(QtInteraction::WarningPosition(box, {50, -1}, screen), QPoint(50, 250));
  EXPECT_EQ(QtInteraction::WarningPosition(box, {-1, -1}, screen), QPoint(250, 250));
  EXPECT_EQ(QtInteraction::WarningPosition(box, {0, 0}, screen), QPoint(0, 0));
  // Too near the right and bottom edges: moved in to show the whole box.
  EXPECT_EQ(QtInteraction::WarningPosition(box, {700, 550}, screen), QPoint(500, 500));
  EXPECT_EQ(QtInteraction::WarningPosition(box, {700, -1}, QRect(100, 0, 800, 600)), QPoint(600, 250));
}

TEST(QtInteractionTest, BoxesShowTheirTextsAndAnswer) {
  ui::QtInteraction ui;
  QString title, text;
  QPoint at;
  WhenOpen<QMessageBox>([&](QMessageBox* box) {
    title = box->windowTitle();
    text = box->text();
    at = box->pos();
    ASSERT_NE(ButtonText(box, QStringLiteral("&Non")), nullptr);
    ButtonText(box, QStringLiteral("&Oui"))->click();
  });
  EXPECT_TRUE(ui.WarnYesNo(Ansi("Voulez-vous vraiment supprimer ce groupe ?"), {40, 70}));
  EXPECT_EQ(title, QStringLiteral("Avertissement"));
  EXPECT_EQ(text, U("Voulez-vous vraiment supprimer ce groupe ?"));
  EXPECT_EQ(at, QPoint(40, 70));

  WhenOpen<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  EXPECT_FALSE(ui.WarnYesNo("?", {-1, -1}));

  WhenOpen<QMessageBox>([&](QMessageBox* box) {
    title = box->windowTitle();
    text = box->text();
    box->buttons().front()->click();
  });
  ui.ShowMessage(Ansi("Ce dossier X-Plane n'existe plus !\rIl sera retiré."));
  EXPECT_EQ(title, QStringLiteral("X-Plane Orvella"));
  EXPECT_EQ(text, U("Ce dossier X-Plane n'existe plus !\nIl sera retiré."));

  WhenOpen<QMessageBox>([&](QMessageBox* box) { ButtonText(box, QStringLiteral("&Non"))->click(); });
  EXPECT_FALSE(ui.Confirm("Sure?"));
}

TEST(QtInteractionTest, DialogsOpenModallyAndAnswer) {
  ResetTextes();
  ui::QtInteraction ui;
  WhenOpen<TEcrConfirmeCopie>(
      [](TEcrConfirmeCopie* d) { QTest::mouseClick(d->button("btnDeplacer"), Qt::LeftButton); });
  EXPECT_EQ(ui.AskCopyOrMove(), 7);
  WhenOpen<TEcrConfirmeCopie>([](TEcrConfirmeCopie* d) { d->close(); });
  EXPECT_EQ(ui.AskCopyOrMove(), 2);

  std::vector<std::string> shown;
  WhenOpen<TEcrBiblios>([&](TEcrBiblios* d) {
    shown = d->folders();
    d->liste()->setCurrentRow(0);
    QTest::mouseClick(d->button("btnSupprime"), Qt::LeftButton);
    d->close();
  });
  EXPECT_EQ(ui.EditLibraries({"C:\\A\\", "D:\\"}), std::vector<std::string>({"D:\\"}));
  EXPECT_EQ(shown, std::vector<std::string>({"C:\\A\\", "D:\\"}));

  WhenOpen<QInputDialog>([](QInputDialog* d) {
    d->setTextValue(U("Été"));
    d->accept();
  });
  EXPECT_EQ(ui.InputBox("Titre", "Nom", "Initial"), std::optional<std::string>(A("Été")));
  WhenOpen<QInputDialog>([](QInputDialog* d) { d->reject(); });
  EXPECT_EQ(ui.InputBox("Titre", "Nom", "Initial"), std::nullopt);
}

TEST(QtInteractionTest, BusyCursorNests) {
  ui::QtInteraction ui;
  ui.SetBusyCursor(true);
  ui.SetBusyCursor(true);
  ui.SetBusyCursor(false);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  ui.SetBusyCursor(false);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  // One restore too many does not take away somebody else's cursor.
  QGuiApplication::setOverrideCursor(Qt::CrossCursor);
  ui.SetBusyCursor(false);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  QGuiApplication::restoreOverrideCursor();
}

}  // namespace
}  // namespace orvella::test
