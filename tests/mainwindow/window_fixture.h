// The main window's logic over a stand-in installation on real folders, with
// a scripted user and the first installation selected.
#pragma once

#include <gtest/gtest.h>

#include <stdexcept>

#include "logic/core/interaction.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/model/linknames.h"
#include "logic/model/nodestates.h"
#include "logic/model/refresh.h"
#include "logic/model/sorting.h"
#include "logic/texts/textes.h"
#include "support/languagefile.h"
#include "support/sceneryfixture.h"
#include "support/scriptedinteraction.h"

namespace orvella::test {

class WindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!SceneryFixture::LinksSupported(fx.dir)) GTEST_SKIP() << "this volume cannot hold links";
    w.FormCreate(fx.dir.win("orvella.exe"));
    w.installations.push_back(fx.installation);
    w.selectInstallation(0);
  }

  // Selects n alone, as a click in the tree does.
  void pick(Node* n) {
    t.select(n);
    w.TreeChange(&t);
  }
  // A plain folder in Custom Scenery: listed under the unmanaged node by the
  // next refresh, which makes refreshes visible.
  void plainEntry(const std::string& name) { fx.dir.mkdir("X-Plane 12/Custom Scenery/" + name); }
  bool listedUnmanaged(const std::string& name) const {
    if (Node* u = t.unmanaged())
      for (int i = 0; i < u->childCount(); ++i)
        if (u->child(i)->text() == name) return true;
    return false;
  }
  std::vector<std::string> texts(const Node* parent) const {
    std::vector<std::string> out;
    for (int i = 0; i < t.countOf(parent); ++i) out.push_back(t.childOf(parent, i)->text());
    return out;
  }
  int count(const std::string& kind) const {
    int n = 0;
    for (const auto& e : ui.events) n += e.kind == kind;
    return n;
  }

  SceneryFixture fx;
  LanguageFileScope texts_{fx.dir.win("none.lng")};
  ScriptedInteraction ui;
  ScopedUI scope{ui};
  EcrOrvellaLogic w;
  SceneryTree& t = w.CustScn;
};

// An observer that fails every insertion, to end a command in the middle.
class FailingInserts : public TreeObserver {
 public:
  void aboutToInsert(Node*, int, int) override { throw std::runtime_error("insert refused"); }
};

}  // namespace orvella::test
