// Group editing through the real window: its buttons, the seam's answers, the
// tree view following the logic.
#include <QAbstractButton>

#include "logic/core/ansi.h"
#include "ui/scenerytreemodel.h"
#include "uitest.h"

namespace orvella::test {
namespace {

class EditingWindowTest : public UiTest {
 protected:
  void click(ui::TEcrOrvella& w, const char* button) {
    auto* b = qobject_cast<QAbstractButton*>(w.control(button));
    ASSERT_NE(b, nullptr) << button;
    ASSERT_TRUE(b->isEnabled()) << button;
    QTest::mouseClick(b, Qt::LeftButton);
  }
  static QString rowText(ui::TTreeView* view, const Node* node) { return view->indexOfNode(node).data().toString(); }
};

TEST_F(EditingWindowTest, CreateRenameAndRemoveThroughTheButtons) {
  auto w = start();
  EcrOrvellaLogic& l = w->logic();
  ui::TTreeView* view = w->treeView(l.custScn());

  // A group: the input box shows the button's caption as title and text.
  scripted.inputAnswers.push_back(std::string("Europe"));
  click(*w, "btnNouvGroupe");
  ASSERT_EQ(l.custScn().topCount(), 1);
  Node* europe = l.custScn().top(0);
  EXPECT_EQ(europe->kind(), kKindGroup);
  EXPECT_EQ(scripted.events.back().title, Ansi("Créer un groupe"));
  EXPECT_EQ(scripted.lastInputInitial(), Ansi("Créer un groupe"));
  EXPECT_EQ(scripted.events.back().text, Textes().EntrerNomGroupe.text);
  EXPECT_EQ(rowText(view, europe), U("Europe"));
  EXPECT_TRUE(view->selectionModel()->isSelected(view->indexOfNode(europe))) << "the new group is selected";

  // A cancelled input box changes nothing.
  scripted.inputAnswers.push_back(std::nullopt);
  click(*w, "btnNouvGroupe");
  EXPECT_EQ(l.custScn().topCount(), 1);

  // Two sub-groups, sorted into place with auto-sort on.
  click(*w, "cbTriAuto");
  ASSERT_TRUE(l.autoSort());
  for (const char* name : {"Suisse", "France"}) {
    view->selectionModel()->clear();
    ClickNode(view, europe);
    scripted.inputAnswers.push_back(std::string(name));
    click(*w, "btnNouvSousGroupe");
  }
  ASSERT_EQ(europe->childCount(), 2);
  EXPECT_EQ(europe->child(0)->text(), "France");
  EXPECT_EQ(rowText(view, europe->child(0)), U("France"));

  // Rename in place: the view's editor ends in the window's handler.
  Node* france = europe->child(0);
  ASSERT_TRUE(view->sceneryModel()->setData(view->indexOfNode(france), U("Île-de-France")));
  EXPECT_EQ(france->text(), Ansi("Île-de-France"));

  // Remove the selected sub-group: the warning box at the mouse pointer.
  view->selectionModel()->clear();
  ClickNode(view, france);
  ASSERT_EQ(l.custScn().selected(), france);
  scripted.mouse = {40, 50};
  scripted.warnAnswers.push_back(false);
  click(*w, "btnSuppGroupe");
  EXPECT_EQ(europe->childCount(), 2) << "No keeps the group";
  EXPECT_EQ(scripted.events.back().text, Textes().ConfirmeOteGroupe.text);
  EXPECT_EQ(scripted.events.back().at, (Point{40, 50}));
  scripted.warnAnswers.push_back(true);
  click(*w, "btnSuppGroupe");
  ASSERT_EQ(europe->childCount(), 1);
  Node* suisse = europe->child(0);
  EXPECT_EQ(l.custScn().selected(), suisse) << "its successor is selected";
  EXPECT_TRUE(view->selectionModel()->isSelected(view->indexOfNode(suisse)));
  EXPECT_EQ(view->sceneryModel()->rowCount(view->indexOfNode(europe)), 1);
}

}  // namespace
}  // namespace orvella::test
