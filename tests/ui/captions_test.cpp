// Every caption the windows can show, measured with the font the widgets
// really use against the room their controls leave for text: the positions
// and sizes are the design's, so the font has to fit them.
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <string>
#include <utility>
#include <vector>

#include "logic/core/ansi.h"
#include "qtansi/ansiqt.h"
#include "ui/copydialog.h"
#include "ui/librariesdialog.h"
#include "uitest.h"

namespace orvella::test {
namespace {

// The width the widget leaves for its text, as its style lays it out; -1
// for a widget that shows no caption.
int TextRoom(QWidget* w) {
  if (auto* b = qobject_cast<QPushButton*>(w)) {
    QStyleOptionButton opt;
    opt.initFrom(b);
    if (b->autoDefault()) opt.features |= QStyleOptionButton::AutoDefaultButton;
    if (b->isDefault()) opt.features |= QStyleOptionButton::DefaultButton;
    return b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b).width();
  }
  if (auto* c = qobject_cast<QCheckBox*>(w)) {
    QStyleOptionButton opt;
    opt.initFrom(c);
    opt.text = c->text();
    return c->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, c).width();
  }
  // The program's group boxes draw their caption from 8 pixels in and keep
  // as much free before the right edge of the frame.
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->width() - 16;
  if (auto* l = qobject_cast<QLabel*>(w)) {
    // A label may grow, but not past the window it stands in.
    return l->window()->width() - l->x();
  }
  return -1;
}

struct Shown {
  std::string control;
  std::string text;  // ANSI, as the program holds it
};

// Checks that each text fits its control's room; reports every misfit.
void ExpectFits(const std::function<QWidget*(std::string_view)>& control, const std::vector<Shown>& shown) {
  for (const Shown& s : shown) {
    QWidget* w = control(s.control);
    ASSERT_NE(w, nullptr) << s.control;
    const int room = TextRoom(w);
    ASSERT_GE(room, 0) << s.control << " shows no caption";
    const QString text = FromAnsi(s.text);
    const int needed = QFontMetrics(w->font()).horizontalAdvance(text);
    EXPECT_LE(needed, room) << s.control << ": \"" << text.toStdString() << "\" needs " << needed << " pixels in "
                            << QFontInfo(w->font()).family().toStdString() << ", the control leaves " << room;
  }
}

using CaptionsTest = UiTest;

TEST_F(CaptionsTest, EveryMainWindowCaptionAndRunTimeTextFitsItsControl) {
  auto w = start();
  const Catalogue& t = Textes();
  std::vector<Shown> shown;
  for (const char* name : {"btnAjouteXPlane", "btnOteXPlane", "rgListeXP", "btnOuvrirXPQuitter", "btnQuitter",
                           "btnOuvrirXP", "cbEffaceIni", "gbGroupes", "btnNouvGroupe", "btnAjoutScene",
                           "btnNouvSousGroupe", "cbTriAuto", "btnTrier", "btnAjoutOrphelins"})
    shown.push_back({name, w->logic().form[name].caption});
  // The captions the commands give at run time, and the design's ones.
  for (const std::string& text : {t.InstLaScene.text, t.InstLesScenes.text}) shown.push_back({"btnActiver", text});
  for (const std::string& text : {t.DesinsLaScene.text, t.DesinsLesScenes.text})
    shown.push_back({"btnDesactiver", text});
  for (const std::string& text : {Ansi("Supprimer le groupe"), t.OteScene.text, t.OteGroupe.text, t.OteElemSel.text})
    shown.push_back({"btnSuppGroupe", text});
  ExpectFits([&](std::string_view n) { return w->control(n); }, shown);
}

TEST_F(CaptionsTest, EveryDialogCaptionFitsItsControl) {
  ui::TEcrBiblios biblios;
  biblios.show();
  ExpectFits([&](std::string_view n) { return biblios.control(n); },
             {{"lbTitre", biblios.form()["lbTitre"].caption},
              {"btnAjoute", biblios.form()["btnAjoute"].caption},
              {"btnSupprime", biblios.form()["btnSupprime"].caption},
              {"btnOk", biblios.form()["btnOk"].caption}});
  ui::TEcrConfirmeCopie copie;
  copie.show();
  ExpectFits([&](std::string_view n) { return copie.control(n); },
             {{"lbTitre", copie.form()["lbTitre"].caption},
              {"btnCopier", copie.form()["btnCopier"].caption},
              {"btnDeplacer", copie.form()["btnDeplacer"].caption},
              {"btnAnnuler", copie.form()["btnAnnuler"].caption}});
}

}  // namespace
}  // namespace orvella::test
