// The tree views: selection and expanded branches in step with the trees,
// the model adapter under a real refresh and every kind of change, in-place
// editing, node images, and what a drop hands on.
#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QMimeData>
#include <QSignalSpy>
#include <QTabWidget>
#include <QUrl>

#include "logic/model/refresh.h"
#include "logic/model/sorting.h"
#include "qtansi/ansiqt.h"
#include "support/sceneryfixture.h"
#include "ui/images.h"
#include "ui/scenerytreemodel.h"
#include "uitest.h"

namespace orvella::test {
namespace {

using ui::TTreeView;

// The view shows exactly the tree: same rows, texts and images everywhere.
void ExpectViewMatchesTree(const TTreeView& view) {
  const ui::SceneryTreeModel& model = *view.sceneryModel();
  std::function<void(const Node*, const QModelIndex&)> walk = [&](const Node* parent, const QModelIndex& pi) {
    const int n = view.tree().countOf(parent);
    ASSERT_EQ(model.rowCount(pi), n);
    for (int r = 0; r < n; ++r) {
      const Node* node = view.tree().childOf(parent, r);
      const QModelIndex i = model.index(r, 0, pi);
      ASSERT_EQ(model.nodeFromIndex(i), node);
      EXPECT_EQ(i.data().toString(), FromAnsi(node->text()));
      EXPECT_EQ(view.isExpanded(i), node->expanded()) << node->text();
      walk(node, i);
    }
  };
  walk(nullptr, {});
}

using TreeViewTest = UiTest;

TEST_F(TreeViewTest, ClicksReachTheTreeInSelectionOrder) {
  auto w = start();
  EcrOrvellaLogic& l = w->logic();
  Node* a = l.CustScn.addChild(nullptr, "A", kKindGroup);
  Node* b = l.CustScn.addChild(nullptr, "B", kKindGroup);
  Node* c = l.CustScn.addChild(nullptr, "C", kKindScene);
  TTreeView* view = w->treeView(l.CustScn);

  ClickNode(view, c);
  EXPECT_EQ(l.CustScn.selection(), std::vector<Node*>({c}));
  // TreeChange ran: the remove button speaks of the scene.
  EXPECT_EQ(qobject_cast<QAbstractButton*>(w->control("btnSuppGroupe"))->text(), U("Enlever la scène"));

  ClickNode(view, a, Qt::ControlModifier);
  EXPECT_EQ(l.CustScn.selection(), std::vector<Node*>({c, a}));
  EXPECT_EQ(l.CustScn.selected(), a);
  EXPECT_EQ(qobject_cast<QAbstractButton*>(w->control("btnSuppGroupe"))->text(), U("Enlever la sélection"));

  // Ctrl-click on a selected node takes it out; the focus goes to the last.
  ClickNode(view, c, Qt::ControlModifier);
  EXPECT_EQ(l.CustScn.selection(), std::vector<Node*>({a}));
  EXPECT_EQ(l.CustScn.selected(), a);

  // Shift extends from the node clicked last.
  ClickNode(view, a);
  ClickNode(view, c, Qt::ShiftModifier);
  EXPECT_EQ(l.CustScn.selection(), std::vector<Node*>({a, b, c}));
  EXPECT_EQ(l.CustScn.selected(), c);
  EXPECT_EQ(l.current, &l.CustScn);
  // A plain click on one of several selected nodes keeps that one alone.
  ClickNode(view, b);
  EXPECT_EQ(l.CustScn.selection(), std::vector<Node*>({b}));
  // A click on empty space below the nodes changes nothing.
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(50, view->viewport()->height() - 5));
  EXPECT_EQ(l.CustScn.selection(), std::vector<Node*>({b}));
  EXPECT_EQ(view->selectionModel()->selectedRows(), QModelIndexList({view->indexOfNode(b)}));
}

TEST_F(TreeViewTest, TheProgramsSelectionReachesTheView) {
  auto w = start();
  EcrOrvellaLogic& l = w->logic();
  Node* a = l.CustScn.addChild(nullptr, "A", kKindGroup);
  Node* inner = l.CustScn.addChild(a, "Inner", kKindGroup);
  Node* b = l.CustScn.addChild(nullptr, "B", kKindGroup);
  TTreeView* view = w->treeView(l.CustScn);
  int changes = 0;
  view->onSelectionChanged = [&] { ++changes; };

  l.CustScn.setSelection({b, a}, a);
  QModelIndexList rows = view->selectionModel()->selectedRows();
  EXPECT_EQ(rows.size(), 2);
  EXPECT_TRUE(view->selectionModel()->isSelected(view->indexOfNode(a)));
  EXPECT_TRUE(view->selectionModel()->isSelected(view->indexOfNode(b)));
  EXPECT_EQ(view->currentIndex(), view->indexOfNode(a));
  // A node selected inside a collapsed group is brought into view.
  l.CustScn.select(inner);
  EXPECT_TRUE(view->isExpanded(view->indexOfNode(a)));
  EXPECT_TRUE(a->expanded());
  EXPECT_EQ(view->selectionModel()->selectedRows(), QModelIndexList({view->indexOfNode(inner)}));
  // Removing a selected node leaves the view and the tree agreeing.
  l.CustScn.remove(a);
  EXPECT_TRUE(view->selectionModel()->selectedRows().isEmpty());
  EXPECT_EQ(l.CustScn.selected(), nullptr);
  // None of this was the user's doing.
  EXPECT_EQ(changes, 0);
}

TEST_F(TreeViewTest, ExpandedBranchesFollowBothWays) {
  SceneryTree tree("CustScn");
  Node* g = tree.addChild(nullptr, "G", kKindGroup);
  Node* sub = tree.addChild(g, "Sub", kKindGroup);
  tree.addChild(sub, "C:\\S", kKindScene);
  tree.setExpanded(g, true);
  TTreeView view(tree);
  view.resize(300, 200);
  EXPECT_TRUE(view.isExpanded(view.indexOfNode(g)));

  tree.setExpanded(sub, true);
  EXPECT_TRUE(view.isExpanded(view.indexOfNode(sub)));
  view.collapse(view.indexOfNode(g));
  EXPECT_FALSE(g->expanded());
  EXPECT_TRUE(sub->expanded());
  view.expand(view.indexOfNode(g));
  EXPECT_TRUE(g->expanded());

  // Nodes added already expanded open in the view.
  tree.setExpanded(tree.addChild(nullptr, "Later", kKindGroup), true);
  ExpectViewMatchesTree(view);
}

TEST_F(TreeViewTest, ModelStaysConsistentThroughRefreshRemoveMoveAndSort) {
  SceneryFixture fx;
  const std::string paris = fx.scene("Paris");
  const std::string nice = fx.scene("Nice");
  const bool links = SceneryFixture::LinksSupported(fx.dir);
  if (links) fx.link("Paris", paris);
  fx.dir.mkdir("X-Plane 12/Custom Scenery/Installed directly");

  auto w = start();
  EcrOrvellaLogic& l = w->logic();
  TTreeView* view = w->treeView(l.CustScn);
  WarningCollector warnings;
  QAbstractItemModelTester tester(view->sceneryModel(), QAbstractItemModelTester::FailureReportingMode::Warning);
  QSignalSpy resets(view->sceneryModel(), &QAbstractItemModel::modelReset);

  Node* europe = l.CustScn.addChild(nullptr, "Europe", kKindGroup);
  Node* france = l.CustScn.addChild(europe, "France", kKindGroup);
  Node* parisNode = l.CustScn.addChild(france, paris, kKindScene);
  l.CustScn.addChild(france, nice, kKindScene);
  Node* empty = l.CustScn.addChild(nullptr, "Zut", kKindGroup);
  l.CustScn.setExpanded(europe, true);
  const QPersistentModelIndex europeIndex(view->indexOfNode(europe));
  const QPersistentModelIndex parisIndex(view->indexOfNode(parisNode));

  // Selecting the installation refreshes both trees against the disk.
  l.installations.push_back(fx.installation);
  w->run([&] { l.selectInstallation(0); });
  ASSERT_NE(l.CustScn.unmanaged(), nullptr);
  EXPECT_EQ(l.CustScn.top(0), l.CustScn.unmanaged());
  EXPECT_EQ(europeIndex.row(), 1);
  EXPECT_EQ(view->sceneryModel()->nodeFromIndex(europeIndex), europe);
  EXPECT_EQ(parisIndex.data(Qt::DisplayRole).toString(), FromAnsi(paris));
  EXPECT_EQ(parisNode->state(), links ? kStateAll : kStateNone);
  ExpectViewMatchesTree(*view);
  // A second refresh changes nothing that stayed.
  w->run([&] { RafraichitArbre(l.CustScn, true); });
  EXPECT_EQ(view->sceneryModel()->nodeFromIndex(europeIndex), europe);
  EXPECT_TRUE(parisIndex.isValid());

  // Moves, in both directions and across parents, then sorts.
  ASSERT_TRUE(l.CustScn.moveTo(empty, europe, 0));
  ASSERT_TRUE(l.CustScn.moveTo(parisNode, nullptr, l.CustScn.topCount()));
  ASSERT_TRUE(l.CustScn.moveTo(empty, nullptr, 1));
  EXPECT_FALSE(l.CustScn.moveTo(europe, france, 0));
  ExpectViewMatchesTree(*view);
  EXPECT_EQ(view->sceneryModel()->nodeFromIndex(parisIndex), parisNode);
  l.CustScn.sortChildren(nullptr, [](const Node* a, const Node* b) { return a->text() > b->text(); });
  TrieEnfants(l.CustScn, france);
  ExpectViewMatchesTree(*view);
  EXPECT_EQ(view->sceneryModel()->nodeFromIndex(parisIndex), parisNode);
  EXPECT_TRUE(view->isExpanded(view->indexOfNode(europe)));

  // Removal of a subtree and a refresh that rebuilds the unmanaged node.
  l.CustScn.remove(france);
  w->run([&] { RafraichitArbre(l.CustScn, true); });
  ExpectViewMatchesTree(*view);
  l.CustScn.clear();
  ExpectViewMatchesTree(*view);
  EXPECT_EQ(resets.count(), 0);
  EXPECT_TRUE(warnings.messages.isEmpty()) << warnings.messages.join(QLatin1Char('\n')).toStdString();
  EXPECT_TRUE(scripted.messages.empty());
}

TEST_F(TreeViewTest, BatchOfChangesSuspendsRepainting) {
  SceneryTree tree("CustScn");
  TTreeView view(tree);
  tree.beginUpdate();
  EXPECT_FALSE(view.updatesEnabled());
  tree.beginUpdate();
  tree.endUpdate();
  EXPECT_FALSE(view.updatesEnabled());
  tree.endUpdate();
  EXPECT_TRUE(view.updatesEnabled());
}

TEST_F(TreeViewTest, NodeImagesAreTheStatesAndStaySelected) {
  SceneryTree tree("CustScn");
  TTreeView view(tree);
  Node* n = tree.addChild(nullptr, "C:\\S", kKindScene);
  const QModelIndex i = view.indexOfNode(n);
  for (int state = 0; state < ui::kStateImageCount; ++state) {
    tree.setState(n, state);
    const QIcon icon = qvariant_cast<QIcon>(i.data(Qt::DecorationRole));
    const QImage normal = icon.pixmap(16, QIcon::Normal).toImage();
    EXPECT_EQ(normal, ui::StateImage(state).toImage()) << state;
    EXPECT_EQ(icon.pixmap(16, QIcon::Selected).toImage(), normal) << state;
  }
  // Eight different pictures; the centre tells empty ring from disc, the
  // corners stay transparent.
  for (int a = 0; a < ui::kStateImageCount; ++a)
    for (int b = a + 1; b < ui::kStateImageCount; ++b)
      EXPECT_NE(ui::StateImage(a).toImage(), ui::StateImage(b).toImage()) << a << " " << b;
  const QImage ring = ui::StateImage(0).toImage(), half = ui::StateImage(1).toImage(),
               disc = ui::StateImage(2).toImage(), cross = ui::StateImage(7).toImage();
  EXPECT_EQ(qAlpha(ring.pixel(8, 8)), 0);
  EXPECT_GT(qGreen(disc.pixel(8, 8)), 100);
  EXPECT_GT(qAlpha(half.pixel(10, 10)), 200);  // lower right filled
  EXPECT_EQ(qAlpha(half.pixel(5, 5)), 0);      // upper left empty
  EXPECT_GT(qRed(cross.pixel(8, 8)), 150);
  EXPECT_EQ(qAlpha(disc.pixel(0, 0)), 0);
  EXPECT_TRUE(ui::StateImage(8).isNull());
}

TEST_F(TreeViewTest, InPlaceEditGoesThroughTheEditHandler) {
  auto w = start();
  EcrOrvellaLogic& l = w->logic();
  Node* g = l.CustScn.addChild(nullptr, "Europe", kKindGroup);
  TTreeView* view = w->treeView(l.CustScn);
  EXPECT_TRUE(view->sceneryModel()->flags(view->indexOfNode(g)) & Qt::ItemIsEditable);
  EXPECT_TRUE(view->sceneryModel()->setData(view->indexOfNode(g), U("Été")));
  EXPECT_EQ(g->text(), A("Été"));
  EXPECT_EQ(view->indexOfNode(g).data().toString(), U("Été"));
}

#ifndef _WIN32
TEST_F(TreeViewTest, NamesBeyondWindows1252AreKeptWholeAcrossTheQtBoundary) {
  auto w = start();
  EcrOrvellaLogic& l = w->logic();
  Node* g = l.CustScn.addChild(nullptr, "Europe", kKindGroup);
  TTreeView* view = w->treeView(l.CustScn);
  ASSERT_TRUE(view->sceneryModel()->setData(view->indexOfNode(g), U("Česko 東京")));
  EXPECT_EQ(g->text(), "Česko 東京") << "no '?' for what 1252 cannot hold";
  EXPECT_EQ(view->indexOfNode(g).data().toString(), U("Česko 東京"));
  // A decomposed name stays as the file system holds it, and a character
  // beyond the first plane crosses whole.
  EXPECT_EQ(ToAnsi(U("LFOE E\xCC\x81vreux")), "LFOE E\xCC\x81vreux");
  EXPECT_EQ(FromAnsi("a\xF0\x9F\x98\x80"), U("a\xF0\x9F\x98\x80"));
  EXPECT_EQ(MessageText("Gda\xC5\x84sk\r\xE6\x9D\xB1"), U("Gdańsk\n東"));
  EXPECT_EQ(WindowsPathFromHost(U("/home/łukasz/X-Plane")), "Z:\\home\\łukasz\\X-Plane");
}
#endif

// A drag over and a drop at a point of the view, as the desktop delivers them.
class DropTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    group = tree.addChild(nullptr, "Europe", kKindGroup);
    scene = tree.addChild(nullptr, "C:\\Scenes\\Paris", kKindScene);
    view.resize(300, 200);
    view.show();
    view.onDragOver = [this](Node* target) {
      asked.push_back(target);
      return target && target->isGroup();
    };
    view.onDragDrop = [this](Node* target) { dropped.push_back(target); };
    view.onDropFiles = [this](Node* target, const std::vector<std::string>& names) {
      filesOn.push_back(target);
      files = names;
    };
  }
  // Qt delivers the moves and the drop of a drag that entered the view.
  bool enter(QMimeData& mime, const QPoint& at) {
    QDragEnterEvent e(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &e);
    return e.isAccepted();
  }
  bool dragMove(QMimeData& mime, const QPoint& at, Qt::DropAction* action = nullptr) {
    if (!enter(mime, at)) return false;
    QDragMoveEvent e(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &e);
    if (action) *action = e.dropAction();
    return e.isAccepted();
  }
  bool drop(QMimeData& mime, const QPoint& at, Qt::DropAction* action = nullptr) {
    if (!enter(mime, at)) return false;
    QDropEvent e(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &e);
    if (action) *action = e.dropAction();
    const bool accepted = e.isAccepted();
    QCoreApplication::processEvents();
    return accepted;
  }
  QPoint on(const Node* n) const { return view.nodeRect(n).center(); }
  QPoint empty() const { return QPoint(50, view.viewport()->height() - 5); }

  SceneryTree tree{"CustScn"};
  TTreeView view{tree};
  Node* group = nullptr;
  Node* scene = nullptr;
  std::vector<Node*> asked, dropped, filesOn;
  std::vector<std::string> files;
};

TEST_F(DropTest, NodeDragIsAskedForEachPointAndDroppedAfterTheDrag) {
  view.setAcceptFiles(true);
  QMimeData mime;
  mime.setData(TTreeView::nodeMimeType(), view.dragPayload());
  EXPECT_TRUE(dragMove(mime, on(group)));
  EXPECT_FALSE(dragMove(mime, on(scene)));
  EXPECT_FALSE(dragMove(mime, empty()));
  EXPECT_EQ(asked, std::vector<Node*>({group, scene, nullptr}));

  EXPECT_FALSE(drop(mime, on(scene)));
  EXPECT_TRUE(dropped.empty());
  EXPECT_TRUE(drop(mime, on(group)));
  EXPECT_EQ(dropped, std::vector<Node*>({group}));
  EXPECT_TRUE(filesOn.empty());
}

TEST_F(DropTest, NodesFromAnotherRunningProgramAreRefused) {
  view.setAcceptFiles(true);
  QMimeData mime;
  mime.setData(TTreeView::nodeMimeType(), QByteArray("1:CustScn"));
  EXPECT_FALSE(dragMove(mime, on(group)));
  EXPECT_FALSE(drop(mime, on(group)));
  EXPECT_TRUE(asked.empty());
  EXPECT_TRUE(dropped.empty());
}

TEST_F(DropTest, DroppedFilesArriveAsWindowsPathsOnceAccepted) {
  dir.mkdir("Scènes/Paris");
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdU16String(dir.host("Scènes/Paris").u16string()) + QLatin1Char('/')),
                QUrl::fromLocalFile(QString::fromStdU16String(dir.host("note.txt").u16string())),
                QUrl(QStringLiteral("https://example.org/x"))});
  // Before the window is ready, files are refused.
  EXPECT_FALSE(dragMove(mime, on(group)));
  EXPECT_FALSE(drop(mime, on(group)));
  EXPECT_TRUE(filesOn.empty());

  view.setAcceptFiles(true);
  EXPECT_TRUE(view.acceptDrops());
  Qt::DropAction action = Qt::IgnoreAction;
  EXPECT_TRUE(dragMove(mime, on(scene), &action));
  EXPECT_EQ(action, Qt::CopyAction);  // the desktop never deletes what it dropped
  EXPECT_TRUE(drop(mime, on(scene), &action));
  EXPECT_EQ(action, Qt::CopyAction);
  EXPECT_EQ(filesOn, std::vector<Node*>({scene}));
  EXPECT_EQ(files, std::vector<std::string>({dir.win("Scènes/Paris"), dir.win("note.txt")}));
  // The accented folder's name, as the file system holds it, arrives in the
  // ANSI code page.
  const QString onDisk = QString::fromStdU16String(dir.host("Scènes").filename().u16string());
  ASSERT_TRUE(onDisk.contains(QChar(0xE8)) || onDisk.size() > 6) << "the folder's name is not plain ASCII";
  EXPECT_NE(files[0].find(ToAnsi(onDisk)), std::string::npos);

  EXPECT_TRUE(drop(mime, empty()));
  EXPECT_EQ(filesOn, std::vector<Node*>({scene, nullptr}));
  EXPECT_TRUE(dropped.empty());
}

// A drag that enters the view and drops at a point, then the event loop
// that delivers the drop.
bool DropOn(TTreeView* view, QMimeData& mime, const QPoint& at) {
  QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(view->viewport(), &enter);
  QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(view->viewport(), &drop);
  QCoreApplication::processEvents();
  return enter.isAccepted() && drop.isAccepted();
}

TEST_F(TreeViewTest, FolderDroppedOnAGroupOfTheWindowBecomesAScene) {
  auto w = start();
  EcrOrvellaLogic& l = w->logic();
  Node* group = l.CustScn.addChild(nullptr, "Europe", kKindGroup);
  l.CustScn.addChild(group, "C:\\Old", kKindScene);
  const std::string paris = dir.mkdir("lib/Paris/Earth nav data").substr(0, dir.win("lib/Paris").size());
  TTreeView* view = w->treeView(l.CustScn);
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.host("lib/Paris").string()))});
  ASSERT_TRUE(DropOn(view, mime, view->nodeRect(group).center()));
  ASSERT_EQ(group->childCount(), 2);
  EXPECT_EQ(group->child(1)->text(), paris);
  EXPECT_TRUE(group->child(1)->isScene());
  // The group under the drop is selected and open, in the tree and the view.
  EXPECT_EQ(l.CustScn.selected(), group);
  EXPECT_TRUE(view->isExpanded(view->indexOfNode(group)));
  EXPECT_EQ(view->currentIndex(), view->indexOfNode(group));
  ExpectViewMatchesTree(*view);
  EXPECT_TRUE(scripted.messages.empty());
}

TEST_F(TreeViewTest, NodeDraggedOntoAGroupIsMovedOrCopiedAsAnswered) {
  auto w = start();
  EcrOrvellaLogic& l = w->logic();
  Node* europe = l.CustScn.addChild(nullptr, "Europe", kKindGroup);
  Node* asia = l.CustScn.addChild(nullptr, "Asia", kKindGroup);
  Node* paris = l.CustScn.addChild(europe, "C:\\Scenes\\Paris", kKindScene);
  l.CustScn.setExpanded(europe, true);
  TTreeView* view = w->treeView(l.CustScn);
  ClickNode(view, paris);
  QMimeData mime;
  mime.setData(TTreeView::nodeMimeType(), view->dragPayload());

  scripted.copyMoveAnswers = {kMrYes, kMrNo};
  ASSERT_TRUE(DropOn(view, mime, view->nodeRect(asia).center()));
  ASSERT_EQ(asia->childCount(), 1);
  EXPECT_EQ(asia->child(0)->text(), "C:\\Scenes\\Paris");
  EXPECT_EQ(europe->childCount(), 1);
  ExpectViewMatchesTree(*view);

  ClickNode(view, paris);
  ASSERT_TRUE(DropOn(view, mime, view->nodeRect(asia).center()));
  EXPECT_EQ(europe->childCount(), 0);
  EXPECT_EQ(asia->childCount(), 2);
  ExpectViewMatchesTree(*view);
  // A scene is no place to drop.
  l.CustScn.setExpanded(asia, true);
  EXPECT_FALSE(DropOn(view, mime, view->nodeRect(asia->child(0)).center()));
  EXPECT_TRUE(scripted.copyMoveAnswers.empty());
  EXPECT_TRUE(scripted.messages.empty());
}

TEST_F(TreeViewTest, WindowAcceptsFilesOnlyAfterCreation) {
  ui::TEcrOrvella w;
  EXPECT_FALSE(w.treeView(w.logic().CustScn)->acceptDrops());
  w.formCreate(exe());
  EXPECT_TRUE(w.treeView(w.logic().CustScn)->acceptDrops());
  EXPECT_TRUE(w.treeView(w.logic().GlobScn)->acceptDrops());
}

}  // namespace
}  // namespace orvella::test
