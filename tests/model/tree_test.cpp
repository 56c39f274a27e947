// The tree's structure operations and what it tells its observer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logic/model/sorting.h"
#include "logic/model/tree.h"

namespace orvella {
namespace {

class Recorder : public TreeObserver {
 public:
  std::vector<std::string> log;
  void aboutToInsert(Node* p, int f, int l) override {
    log.push_back("ins " + name(p) + " " + std::to_string(f) + "-" + std::to_string(l));
  }
  void aboutToRemove(Node* p, int f, int l) override {
    log.push_back("rem " + name(p) + " " + std::to_string(f) + "-" + std::to_string(l));
  }
  void aboutToMove(Node* from, int row, Node* to, int dest) override {
    log.push_back("mov " + name(from) + " " + std::to_string(row) + " -> " + name(to) + " " + std::to_string(dest));
  }
  void aboutToReorder(Node* p) override { log.push_back("sort " + name(p)); }
  void changed(Node* n) override { log.push_back("chg " + n->text()); }
  void selectionChanged() override { log.push_back("sel"); }
  void beginUpdate() override { log.push_back("begin"); }
  void endUpdate() override { log.push_back("end"); }
  static std::string name(Node* p) { return p ? p->text() : "<top>"; }
};

std::vector<std::string> Texts(const SceneryTree& t, Node* parent) {
  std::vector<std::string> out;
  for (int i = 0; i < t.countOf(parent); ++i) out.push_back(t.childOf(parent, i)->text());
  return out;
}

TEST(SceneryTree, SiblingsIndexesAndParentsStayConsistent) {
  SceneryTree t("T");
  Node* a = t.addChild(nullptr, "a", kKindGroup);
  Node* b = t.addChild(nullptr, "b", kKindGroup);
  Node* c = t.insert(nullptr, 1, "c", kKindGroup);
  EXPECT_EQ(Texts(t, nullptr), (std::vector<std::string>{"a", "c", "b"}));
  EXPECT_EQ(c->index(), 1);
  EXPECT_EQ(b->index(), 2);
  EXPECT_EQ(a->nextSibling(), c);
  EXPECT_EQ(b->prevSibling(), c);
  EXPECT_EQ(b->nextSibling(), nullptr);
  EXPECT_EQ(a->parent(), nullptr);
  Node* x = t.addChild(c, "x", kKindScene);
  EXPECT_EQ(x->parent(), c);
  EXPECT_EQ(x->level(), 1);
  t.remove(a);
  EXPECT_EQ(c->index(), 0);
  EXPECT_EQ(c->prevSibling(), nullptr);
}

TEST(SceneryTree, MovesNeverEnterTheirOwnSubtree) {
  SceneryTree t("T");
  Node* g = t.addChild(nullptr, "g", kKindGroup);
  Node* sub = t.addChild(g, "sub", kKindGroup);
  Node* h = t.addChild(nullptr, "h", kKindGroup);
  EXPECT_FALSE(t.moveTo(g, sub, 0));
  EXPECT_FALSE(t.moveTo(g, g, 0));
  EXPECT_EQ(sub->parent(), g);
  EXPECT_TRUE(t.moveTo(g, h, h->childCount()));
  EXPECT_EQ(g->parent(), h);
  EXPECT_EQ(Texts(t, nullptr), std::vector<std::string>{"h"});
  // Down within the same parent: the row is counted before the move.
  Node* p = t.addChild(h, "p", kKindScene);
  Node* q = t.addChild(h, "q", kKindScene);
  EXPECT_TRUE(t.moveTo(g, h, 3));
  EXPECT_EQ(Texts(t, h), (std::vector<std::string>{"p", "q", "g"}));
  EXPECT_TRUE(t.moveTo(q, h, 0));
  EXPECT_EQ(Texts(t, h), (std::vector<std::string>{"q", "p", "g"}));
  EXPECT_EQ(p->index(), 1);
}

TEST(SceneryTree, RemovingASubtreeForgetsItsSelectionAndUnmanagedReference) {
  SceneryTree t("T");
  Node* u = t.addChild(nullptr, "u", kKindUnmanaged);
  t.setUnmanaged(u);
  Node* e = t.addChild(u, "e", kKindUnmanaged);
  Node* g = t.addChild(nullptr, "g", kKindGroup);
  Node* s = t.addChild(g, "s", kKindScene);
  t.select(g);
  t.addToSelection(s);
  t.addToSelection(e);
  EXPECT_EQ(t.selected(), e);
  t.remove(u);
  EXPECT_EQ(t.unmanaged(), nullptr);
  EXPECT_EQ(t.selection(), (std::vector<Node*>{g, s}));
  EXPECT_EQ(t.selected(), s) << "focus falls back to the last selected";
  t.remove(g);
  EXPECT_TRUE(t.selection().empty());
  EXPECT_EQ(t.selected(), nullptr);
}

TEST(SceneryTree, ObserverSeesEveryChangeAndNothingThatDidNotChange) {
  SceneryTree t("T");
  Recorder r;
  t.setObserver(&r);
  Node* g = t.addChild(nullptr, "g", kKindGroup);
  Node* b = t.addChild(g, "b", kKindScene);
  t.addChild(g, "a", kKindScene);
  t.setState(b, 2);
  t.setState(b, 2);  // unchanged: no notification
  TrieEnfants(t, g);
  TrieEnfants(t, g);  // already sorted: no notification
  t.moveTo(b, nullptr, 0);
  t.remove(b);
  EXPECT_EQ(r.log, (std::vector<std::string>{"ins <top> 0-0", "ins g 0-0", "ins g 1-1", "chg b", "sort g",
                                             "mov g 1 -> <top> 0", "rem <top> 0-0"}));
}

TEST(SceneryTree, SortingUsesTheLocaleComparisonAndIsStable) {
  SceneryTree t("T");
  Node* g = t.addChild(nullptr, "g", kKindGroup);
  for (const char* s : {"b", "B", "a", "c", "a"}) t.addChild(g, s, kKindScene);
  Node* firstA = g->child(2);
  TrieEnfants(t, g);
  EXPECT_EQ(Texts(t, g), (std::vector<std::string>{"a", "a", "b", "B", "c"}));
  EXPECT_EQ(g->child(0), firstA);
}

TEST(NodeStates, EachStateSaysWhatItHoldsAndIsRebuiltFromIt) {
  struct Row {
    int state;
    bool inactive, active, missing;
    int activeState;
  };
  const Row rows[] = {
      {kStateNone, true, false, false, kStateNone},      {kStateSome, true, true, false, kStateSome},
      {kStateAll, false, true, false, kStateAll},        {kStateNoneMissing, true, false, true, kStateNone},
      {kStateSomeMissing, true, true, true, kStateSome}, {kStateAllMissing, false, true, true, kStateAll},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.state);
    EXPECT_TRUE(IsSceneryState(r.state));
    EXPECT_EQ(HasInactive(r.state), r.inactive);
    EXPECT_EQ(HasActive(r.state), r.active);
    EXPECT_EQ(HasMissing(r.state), r.missing);
    EXPECT_EQ(ActiveState(r.state), r.activeState);
    EXPECT_EQ(SceneryState(r.activeState, r.missing), r.state);
  }
  // The unmanaged node's state and an unclaimed link's offer no command.
  for (int state : {kStateUnmanaged, kStateUnclaimed}) {
    SCOPED_TRACE(state);
    EXPECT_FALSE(IsSceneryState(state));
    EXPECT_FALSE(HasInactive(state));
    EXPECT_FALSE(HasActive(state));
    EXPECT_FALSE(HasMissing(state));
  }
}

}  // namespace
}  // namespace orvella
