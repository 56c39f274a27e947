// Every window, dialog and message the program shows, walked under a
// language file that gives each key a marked text: any text still French is
// one that no language file can reach.
#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTabBar>
#include <QTreeWidget>

#include <filesystem>
#include <set>

#include "checkui/reports.h"
#include "logic/check/checktexts.h"
#include "logic/core/errors.h"
#include "logic/links/addfolder.h"
#include "order/packbuilder.h"
#include "qtansi/ansiqt.h"
#include "support/catalogueref.h"
#include "support/sceneryfixture.h"
#include "ui/checkdialog.h"
#include "ui/copydialog.h"
#include "ui/librariesdialog.h"
#include "ui/orderdialog.h"
#include "uitest.h"

namespace orvella::test {
namespace {

namespace fs = std::filesystem;

// The texts a widget and its children show: captions, titles, tabs,
// headers, rows, menu items and tooltips.
void CollectShown(QWidget* top, QStringList& out) {
  QList<QWidget*> widgets = top->findChildren<QWidget*>();
  widgets.prepend(top);
  for (QWidget* w : widgets) {
    if (w->isWindow()) out << w->windowTitle();
    out << w->toolTip();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) out << b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) out << l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) out << g->title();
    if (auto* t = qobject_cast<QTabBar*>(w))
      for (int i = 0; i < t->count(); ++i) out << t->tabText(i);
    if (auto* m = qobject_cast<QMenu*>(w))
      for (QAction* a : m->actions()) out << a->text() << a->toolTip();
    if (auto* l = qobject_cast<QListWidget*>(w))
      for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    if (auto* v = qobject_cast<QAbstractItemView*>(w)) {
      // Every row of every column, and the header.
      QAbstractItemModel* m = v->model();
      std::function<void(const QModelIndex&)> rows = [&](const QModelIndex& parent) {
        for (int r = 0; m && r < m->rowCount(parent); ++r)
          for (int c = 0; c < m->columnCount(parent); ++c) {
            const QModelIndex i = m->index(r, c, parent);
            out << i.data(Qt::DisplayRole).toString() << i.data(Qt::ToolTipRole).toString();
            if (c == 0) rows(i);
          }
      };
      rows(QModelIndex());
      for (int c = 0; m && c < m->columnCount(); ++c) out << m->headerData(c, Qt::Horizontal).toString();
    }
  }
}

class TextWalkTest : public UiTest {
 protected:
  void SetUp() override {
    // Each key's text is "@Section.Key@" with the placeholders of its
    // default, so that the program still fills them.
    dir.file("orvella.lng", LanguageFileOf(EveryKeyedText(), [](const KeyedText& t) {
               std::string v = "@" + t.section + "." + t.key + "@";
               for (const std::string& p : Placeholders(t.french)) v += " " + p;
               return v;
             }));
    ForgetTranslations();
    // What stayed French shows as a piece of a default between its
    // placeholders; the names X-Plane users meet in every language are
    // not French.
    for (const KeyedText& t : EveryKeyedText()) {
      QString french = FromAnsi(t.french);
      french.replace(QRegularExpression(QStringLiteral("%[s1-9]")), QStringLiteral("\x01"));
      for (QString piece : french.split(QRegularExpression(QStringLiteral("[\x01\r\n]")))) {
        piece = piece.trimmed();
        if (piece.size() >= 4 && piece.contains(QLatin1Char(' ')) &&
            !QStringList{QStringLiteral("Custom Scenery"), QStringLiteral("Global Scenery"),
                         QStringLiteral("X-Plane Orvella")}
                 .contains(piece))
          frenchPieces_.insert(piece);
      }
    }
  }

  // Each text shown that still holds French: an accented letter or a piece
  // of a French default.
  QStringList stillFrench(const QStringList& shown) const {
    QStringList out;
    static const QRegularExpression accents(QStringLiteral("[éèêàâçôûîùÉÈÀ«»]"));
    for (const QString& s : shown) {
      bool french = s.contains(accents);
      for (const QString& piece : frenchPieces_) french = french || s.contains(piece);
      if (french) out << s;
    }
    return out;
  }

  std::set<QString> frenchPieces_;
};

TEST_F(TextWalkTest, NoWindowDialogOrMessageKeepsAFrenchText) {
  if (!SceneryFixture::LinksSupported(dir)) GTEST_SKIP() << "this volume cannot hold links";
  // An installation with an airport, a library and a pack gone from disk,
  // one link that no scene claims.
  dir.file("XP/X-Plane.exe", "");
  dir.mkdir("XP/Global Scenery");
  PackBuilder b{dir};
  b.library("Scenes/Lib");
  b.airport("Scenes/LFPG", {"LFPG"});
  b.airport("Scenes/LFPG2", {"LFPG"});
  dir.mkdir("Scenes/Stray");
  dir.symlink("XP/Custom Scenery/Stray", "Scenes/Stray");
  dir.symlink("XP/Custom Scenery/LFPG2", "Scenes/LFPG2");
  auto w = start();
  EcrOrvellaLogic& l = w->logic();
  Node* g = l.custScn().addChild(nullptr, "Europe", kKindGroup);
  std::vector<Node*> scenes;
  for (const char* n : {"Lib", "LFPG", "LFPG2", "Gone"})
    scenes.push_back(l.custScn().addChild(g, dir.win(std::string("Scenes/") + n), kKindScene));
  l.custScn().setExpanded(g, true);
  w->run([&] {
    l.addInstallation(dir.win("XP"));
    l.selectInstallation(0);
  });
  QStringList shown;
  CollectShown(w.get(), shown);
  // The captions the selection gives, the popup menu and the tooltips.
  auto* tree = qobject_cast<ui::TTreeView*>(w->control("CustScn"));
  ASSERT_NE(tree, nullptr);
  for (const Node* n : {static_cast<const Node*>(g), static_cast<const Node*>(scenes[0])}) {
    ClickNode(tree, n);
    CollectShown(w.get(), shown);
    CollectShown(w->preparePopup(), shown);
  }
  for (const Node* n : scenes) shown << FromAnsi(l.nodeHint(n));

  // The messages: a folder that is no installation, the activation of a
  // group whose scenes cannot all be linked, the scenery order's preview.
  scripted.folderAnswers.push_back(dir.win("Scenes"));
  QTest::mouseClick(w->control("btnAjouteXPlane"), Qt::LeftButton);
  ClickNode(tree, g);
  dir.mkdir("XP/Custom Scenery/Lib");  // a plain folder in the link's place
  QTest::mouseClick(w->control("btnActiver"), Qt::LeftButton);
  NoteUnreadableFolder(dir.win("Scenes/??"));
  ReportUnreadableFolders();
  QTest::mouseClick(w->control("cbOrdonneIni"), Qt::LeftButton);
  w->preparePopup();
  w->menuAction("PM_ApercuOrdre")->trigger();
  ASSERT_EQ(scripted.ordersShown.size(), 1u);
  for (const std::string& m : scripted.messages) shown << MessageText(m);
  for (const auto& e : scripted.events) shown << FromAnsi(e.text) << FromAnsi(e.title);
  // The errors the system and the files raise, the system's own words in
  // the language of its interface.
  const QByteArray locale = qgetenv("LC_ALL");
  qputenv("LC_ALL", "en_US.UTF-8");
  shown << FromAnsi(OSErrorMessage(5)) << FromAnsi(OSErrorMessage(0));
  for (int code : {2, 3, 4, 5, 100, 101, 103, 106, 32, 999}) shown << FromAnsi(InOutErrorText(code));
  qputenv("LC_ALL", locale);

  // The dialogs, as each shows itself.
  ui::TEcrOrdre order(Text("EcrOrdre", "Titre"), scripted.ordersShown[0].lines, scripted.ordersShown[0].warnings);
  order.show();
  CollectShown(&order, shown);
  ui::TEcrBiblios libraries;
  libraries.show();
  CollectShown(&libraries, shown);
  ui::TEcrConfirmeCopie copy;
  copy.show();
  CollectShown(&copy, shown);
  ui::CheckDialog check;
  check.setCanEnable(true);
  check.show();
  // The engine names a damaged file's fault from the catalogue.
  check::Report report = SampleReport();
  for (check::DamagedFile& d : report.damaged) d.what = check::CheckText("DsfEndommage");
  check.showReport(std::make_shared<const check::Report>(report));
  for (int i = 0; i < check.tabs()->count(); ++i) {
    check.tabs()->setCurrentIndex(i);
    CollectShown(&check, shown);
  }

  EXPECT_EQ(stillFrench(shown).join(QLatin1Char('\n')).toStdString(), "");
  // The walk met the texts it was meant to meet.
  const QString all = shown.join(QLatin1Char('\n'));
  for (const char* seen : {"@EcrOrvella.NonGerees@", "@EcrOrvella.ErreurXPlane@", "@EcrOrvella.ScenesNonActivees@",
                           "@EcrOrvella.RefusDossier@", "@EcrOrvella.NomsIllisibles@", "@EcrOrdre.AeroportDouble@",
                           "@EcrOrdre.TypeBibliotheque@", "@EcrOrvella.IndiceType@", "@EcrOrvella.AccesRefuse@",
                           "@OrvellaCheck.Manquants@", "@OrvellaCheckFenetre.OngletCarte@", "@EcrBiblios.btnOk@",
                           "@EcrConfirmeCopie.btnDeplacer@", "@EcrOrdre.ColAeroports@"})
    EXPECT_TRUE(all.contains(QString::fromLatin1(seen))) << seen;
}

}  // namespace
}  // namespace orvella::test
