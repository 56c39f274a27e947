// The activation and deactivation commands of the main window, on a stand-in
// installation and real scene folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "logic/core/ansi.h"
#include "logic/core/errors.h"
#include "logic/core/interaction.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/model/refresh.h"
#include "logic/texts/textes.h"
#include "support/readonlyfolder.h"
#include "support/sceneryfixture.h"
#include "support/scriptedinteraction.h"

namespace orvella {
namespace {

namespace fs = std::filesystem;

// Every entry below root, files with their bytes, links as links.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> m;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const std::string rel = fs::relative(it->path(), root).generic_string();
    if (it->is_symlink()) {
      m[rel] = "link " + fs::read_symlink(it->path()).string();
    } else if (it->is_directory()) {
      m[rel] = "folder";
    } else {
      std::ifstream in(it->path(), std::ios::binary);
      m[rel] = "file " + std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  return m;
}

class ActivationCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::SceneryFixture::LinksSupported(fx.dir)) GTEST_SKIP() << "this volume cannot hold links";
    ResetTextes();
    SetLanguageFileOverride(fx.dir.win("none.lng"));
    w = std::make_unique<EcrOrvellaLogic>();
    w->FormCreate(fx.dir.win("orvella.exe"));
    w->installations.push_back(fx.installation);
    w->selectInstallation(0);
  }
  void TearDown() override { SetLanguageFileOverride({}); }

  // A scene with files of its own.
  std::string scene(const std::string& rel) {
    const std::string path = fx.scene(rel);
    fx.dir.file("library/" + rel + "/Earth nav data/+40-010/+48+002.dsf", "DSF " + rel);
    fx.dir.file("library/" + rel + "/library.txt", "A\n800\nLIBRARY\n");
    return path;
  }
  Node* add(SceneryTree& t, Node* parent, const std::string& text, int kind) { return t.addChild(parent, text, kind); }
  void refresh() {
    RafraichitArbre(w->CustScn, true);
    RafraichitArbre(w->GlobScn, true);
  }
  // Selects nodes of tree in this order and updates the commands, as a click does.
  void select(SceneryTree& t, std::vector<Node*> nodes) {
    t.setSelection(nodes, nodes.back());
    w->current = &t;
    w->ActualiseCommandes();
  }
  bool linked(const std::string& folder, const std::string& name, const std::string& sceneRel) const {
    const fs::path link = fx.dir.host("X-Plane 12/" + folder + "/" + name);
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(link, ec)) && fs::equivalent(link, fx.dir.host("library/" + sceneRel), ec);
  }
  bool customHas(const std::string& name) const { return fx.dir.exists("X-Plane 12/Custom Scenery/" + name); }
  bool activer() const { return w->form["btnActiver"].enabled; }
  bool desactiver() const { return w->form["btnDesactiver"].enabled; }

  test::SceneryFixture fx;
  ScriptedInteraction ui;
  ScopedUI scope{ui};
  std::unique_ptr<EcrOrvellaLogic> w;
};

TEST_F(ActivationCommandTest, AGroupOfTwoScenesComesAndGoesLeavingTheScenesUntouched) {
  const std::string lfpg = scene("Europe/LFPG Paris");
  const std::string egll = scene("Europe/EGLL");
  const std::string ksfo = scene("USA/KSFO");
  Node* europe = add(w->CustScn, nullptr, "Europe", kKindGroup);
  Node* a = add(w->CustScn, europe, lfpg, kKindScene);
  Node* b = add(w->CustScn, europe, egll, kKindScene);
  Node* global = add(w->GlobScn, nullptr, ksfo, kKindScene);
  refresh();
  const auto library = Snapshot(fx.dir.host("library"));
  select(w->CustScn, {europe});
  ASSERT_TRUE(activer());
  ASSERT_FALSE(desactiver());
  // A change behind the program's back in Global Scenery shows that both trees
  // are refreshed by the command.
  fx.link("KSFO", ksfo, true);

  w->btnActiverClick();
  EXPECT_TRUE(linked("Custom Scenery", "LFPG Paris", "Europe/LFPG Paris"));
  EXPECT_TRUE(linked("Custom Scenery", "EGLL", "Europe/EGLL"));
  EXPECT_EQ(a->state(), kStateAll);
  EXPECT_EQ(b->state(), kStateAll);
  EXPECT_EQ(europe->state(), kStateAll);
  EXPECT_EQ(global->state(), kStateAll);
  EXPECT_EQ(w->CustScn.unmanaged(), nullptr);
  EXPECT_FALSE(activer());
  EXPECT_TRUE(desactiver());

  w->btnDesactiverClick();
  EXPECT_TRUE(fs::is_empty(fx.dir.host("X-Plane 12/Custom Scenery")));
  EXPECT_TRUE(linked("Global Scenery", "KSFO", "USA/KSFO")) << "the other tree's links are not touched";
  EXPECT_EQ(europe->state(), kStateNone);
  EXPECT_EQ(a->state(), kStateNone);
  EXPECT_TRUE(activer());
  EXPECT_FALSE(desactiver());
  EXPECT_EQ(Snapshot(fx.dir.host("library")), library);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ActivationCommandTest, AGroupSelectedWithOneOfItsOwnScenesIsNoError) {
  const std::string s1 = scene("G/S1");
  const std::string s2 = scene("G/S2");
  Node* g = add(w->CustScn, nullptr, "G", kKindGroup);
  Node* n1 = add(w->CustScn, g, s1, kKindScene);
  add(w->CustScn, g, s2, kKindScene);
  refresh();
  select(w->CustScn, {g, n1});
  w->btnActiverClick();
  EXPECT_TRUE(linked("Custom Scenery", "S1", "G/S1"));
  EXPECT_TRUE(linked("Custom Scenery", "S2", "G/S2"));
  select(w->CustScn, {n1, g});
  w->btnDesactiverClick();
  EXPECT_FALSE(customHas("S1"));
  EXPECT_FALSE(customHas("S2"));
  EXPECT_EQ(g->state(), kStateNone);
}

TEST_F(ActivationCommandTest, TheUnmanagedNodeAndItsEntriesAreIgnored) {
  const std::string orphan = scene("Orphan");
  fx.link("Orphan", orphan);
  fx.dir.mkdir("X-Plane 12/Custom Scenery/Empty plain folder");
  refresh();
  Node* u = w->CustScn.unmanaged();
  ASSERT_NE(u, nullptr);
  ASSERT_EQ(u->childCount(), 2);
  select(w->CustScn, {u, u->child(0), u->child(1)});
  w->btnDesactiverClick();
  EXPECT_TRUE(linked("Custom Scenery", "Orphan", "Orphan"));
  EXPECT_TRUE(customHas("Empty plain folder"));
  EXPECT_TRUE(activer()) << "the command ran to its end all the same";
  EXPECT_FALSE(desactiver());
}

TEST_F(ActivationCommandTest, LinksGoToTheSceneryFolderOfTheCurrentTree) {
  const std::string s = scene("S");
  Node* c = add(w->CustScn, nullptr, s, kKindScene);
  Node* g = add(w->GlobScn, nullptr, s, kKindScene);
  refresh();
  w->PagesChange(1);
  select(w->GlobScn, {g});
  w->btnActiverClick();
  EXPECT_TRUE(linked("Global Scenery", "S", "S"));
  EXPECT_FALSE(customHas("S"));
  EXPECT_EQ(g->state(), kStateAll);
  EXPECT_EQ(c->state(), kStateNone);
}

TEST_F(ActivationCommandTest, ScenesLeftInactiveAreToldInOneMessageAndTheTreesShowTheDisk) {
  const std::string a = scene("A");
  const std::string b = scene("B");
  const std::string c = scene("C");
  const std::string d = scene("D");
  const std::string gone = fx.dir.win("library/Gone");
  Node* g = add(w->CustScn, nullptr, "G", kKindGroup);
  Node* na = add(w->CustScn, g, a, kKindScene);
  Node* nb = add(w->CustScn, g, b, kKindScene);
  Node* nc = add(w->CustScn, g, c, kKindScene);
  Node* nd = add(w->CustScn, g, d, kKindScene);
  Node* ngone = add(w->CustScn, g, gone, kKindScene);
  refresh();
  // B's name is held by a plain file, C's by a plain folder; D's folder goes
  // after the refresh; Gone never had one.
  fx.dir.file("X-Plane 12/Custom Scenery/B", "a file, not a folder");
  fx.dir.mkdir("X-Plane 12/Custom Scenery/C");
  fs::remove_all(fx.dir.host("library/D"));
  select(w->CustScn, {g});
  ASSERT_TRUE(activer());
  w->btnActiverClick();
  EXPECT_TRUE(linked("Custom Scenery", "A", "A")) << "the scenes after a failure are still activated";
  EXPECT_EQ(fx.dir.read("X-Plane 12/Custom Scenery/B"), "a file, not a folder");
  EXPECT_FALSE(customHas("D"));
  EXPECT_FALSE(customHas("Gone"));
  ASSERT_EQ(ui.messages.size(), 1u) << "one box for the whole command";
  const std::string& m = ui.messages[0];
  EXPECT_EQ(m.rfind(Ansi("Ces scènes n'ont pas été activées :"), 0), 0u) << m;
  for (const std::string& s : {b, c, d, gone}) EXPECT_NE(m.find("\r\n" + s + "\r\n"), std::string::npos) << s;
  EXPECT_NE(m.find(Ansi("un fichier porte déjà ce nom : ") + fx.custom + "B"), std::string::npos) << m;
  EXPECT_NE(m.find(fx.custom + "C"), std::string::npos) << m;
  EXPECT_EQ(m.find(a), std::string::npos) << m;
  // The trees and the buttons tell what the disk holds, without F5.
  EXPECT_EQ(na->state(), kStateAll);
  EXPECT_EQ(nb->state(), kStateNone);
  EXPECT_EQ(nc->state(), kStateNone);
  EXPECT_EQ(nd->state(), kStateNone + kStateMissing);
  EXPECT_EQ(ngone->state(), kStateNone + kStateMissing);
  EXPECT_EQ(g->state(), kStateSome + kStateMissing);
  EXPECT_TRUE(activer()) << "inactive scenes remain";
  EXPECT_TRUE(desactiver());
}

TEST_F(ActivationCommandTest, ADeactivationFailureNamesTheLinkAndTheTreesAreRefreshed) {
  const std::string a = scene("A");
  const std::string c = scene("C");
  Node* na = add(w->CustScn, nullptr, a, kKindScene);
  Node* nc = add(w->CustScn, nullptr, c, kKindScene);
  fx.link("A", a);
  fx.link("C", c);
  refresh();
  ASSERT_EQ(na->state(), kStateAll);
  // C's link became a folder holding files since the refresh.
  fs::remove(fx.dir.host("X-Plane 12/Custom Scenery/C"));
  fx.dir.file("X-Plane 12/Custom Scenery/C/user file.txt", "keep me");
  select(w->CustScn, {nc, na});
  ASSERT_TRUE(desactiver());
  try {
    w->btnDesactiverClick();
    ADD_FAILURE() << "a folder holding files was taken for a link";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.code(), win::ERROR_DIR_NOT_EMPTY);
    EXPECT_EQ(std::string(e.what()).rfind(fx.custom + "C :\r\n" + Ansi("Erreur système.  Code : 145."), 0), 0u)
        << e.what();
  }
  EXPECT_EQ(fx.dir.read("X-Plane 12/Custom Scenery/C/user file.txt"), "keep me");
  EXPECT_TRUE(linked("Custom Scenery", "A", "A")) << "the node after the failure is not visited";
  EXPECT_EQ(nc->state(), kStateNone) << "refreshed after the failure";
  EXPECT_EQ(na->state(), kStateAll);
  EXPECT_TRUE(desactiver());
}

#ifndef _WIN32
TEST_F(ActivationCommandTest, AReadOnlySceneryFolderIsAccessDeniedNamingTheLink) {
  const std::string s = scene("S");
  Node* n = add(w->CustScn, nullptr, s, kKindScene);
  refresh();
  select(w->CustScn, {n});
  test::ReadOnlyFolder readOnly(fx.dir.host("X-Plane 12/Custom Scenery").string());
  if (!readOnly.active()) GTEST_SKIP() << "the scenery folder cannot be made read-only here";
  try {
    w->btnActiverClick();
    ADD_FAILURE() << "a read-only scenery folder took a link";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.code(), win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(std::string(e.what()), fx.custom + "S :\r\n" + Ansi("Erreur système.  Code : 5.\r\nAccès refusé."));
  }
  EXPECT_TRUE(ui.messages.empty()) << "nothing refused before the failure";
  EXPECT_FALSE(customHas("S"));
  EXPECT_EQ(n->state(), kStateNone);
}
#endif

TEST_F(ActivationCommandTest, ButtonsAreSetEvenWhenNothingWasToDo) {
  const std::string s = scene("S");
  Node* n = add(w->CustScn, nullptr, s, kKindScene);
  fx.link("S", s);
  refresh();
  select(w->CustScn, {n});
  w->form["btnActiver"].enabled = true;  // as a popup item would still offer it
  w->btnActiverClick();
  EXPECT_FALSE(activer());
  EXPECT_TRUE(desactiver());
  EXPECT_TRUE(linked("Custom Scenery", "S", "S"));
}

TEST_F(ActivationCommandTest, WithoutASelectedNodeOrInstallationNothingHappens) {
  const std::string s = scene("S");
  Node* n = add(w->CustScn, nullptr, s, kKindScene);
  refresh();
  w->CustScn.clearSelection();
  w->form["btnActiver"].enabled = true;
  w->form["btnDesactiver"].enabled = false;
  w->btnActiverClick();
  EXPECT_FALSE(customHas("S"));
  EXPECT_TRUE(activer());
  EXPECT_FALSE(desactiver());

  // The only installation is no longer managed: its folder is no target.
  ui.confirmAnswers.push_back(true);
  w->btnOteXPlaneClick();
  ASSERT_FALSE(w->installationSelected());
  w->CustScn.select(n);
  ASSERT_EQ(n->state(), kStateNone);
  w->btnActiverClick();
  EXPECT_FALSE(customHas("S"));
  EXPECT_TRUE(activer());
}

}  // namespace
}  // namespace orvella
