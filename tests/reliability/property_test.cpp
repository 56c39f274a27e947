// A property test on real folders: random trees of groups and scenes, then
// random sequences of what a user does (activation, deactivation, removal,
// drag and drop, renaming, new groups, closing and starting again), with the
// links made through the platform layer. After every step no byte of any
// scene folder has changed and links stand only in the scenery folders,
// pointing at scene folders; at every new start and at the end every link in
// a scenery folder belongs to a scene of its tree or is listed as unclaimed,
// and the arrangement came back whole. Fixed seeds, so a failure reproduces;
// small trees and sequences, so it runs in seconds.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "logic/core/asciitext.h"
#include "logic/core/errors.h"
#include "logic/core/interaction.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/model/linknames.h"
#include "logic/model/refresh.h"
#include "logic/texts/textes.h"
#include "reliability/settingsfixture.h"
#include "support/sceneryfixture.h"
#include "support/scriptedinteraction.h"

namespace orvella::test {
namespace {

namespace fs = std::filesystem;

// A small generator of our own: the same numbers with every standard library.
class Random {
 public:
  explicit Random(std::uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  std::uint32_t next() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 7;
    s_ ^= s_ << 17;
    return static_cast<std::uint32_t>(s_ >> 16);
  }
  int below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
  bool chance(int percent) { return below(100) < percent; }
  template <typename T>
  const T& pick(const std::vector<T>& v) {
    return v[static_cast<size_t>(below(static_cast<int>(v.size())))];
  }

 private:
  std::uint64_t s_;
};

std::uint64_t Fnv1a(const std::string& bytes) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : bytes) h = (h ^ c) * 0x100000001b3ull;
  return h;
}

// Every file (with a hash of its bytes) and folder below root, links not followed.
std::map<std::string, std::uint64_t> Snapshot(const fs::path& root) {
  std::map<std::string, std::uint64_t> out;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const std::string rel = fs::relative(it->path(), root).generic_string();
    if (it->is_symlink()) {
      out[rel + " ->"] = Fnv1a(fs::read_symlink(it->path()).string());
    } else if (it->is_directory()) {
      out[rel + "/"] = 0;
    } else {
      std::ifstream in(it->path(), std::ios::binary);
      out[rel] = Fnv1a(std::string(std::istreambuf_iterator<char>(in), {}));
    }
  }
  return out;
}

class SceneryProperty : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    if (!SceneryFixture::LinksSupported(fx.dir)) GTEST_SKIP() << "this volume cannot hold links";
    ResetTextes();
    SetLanguageFileOverride(fx.dir.win("none.lng"));
    Random r(static_cast<std::uint64_t>(GetParam()));
    // The library: scene folders with files of random bytes, two of them
    // with the same folder name in different places.
    for (const char* rel :
         {"north/KSEA", "south/KSEA", "LFPG Paris", "EGLL London", "KSFO", "HD Mesh v4", "Alpes", "Ortho Europe"}) {
      const std::string path = fx.scene(rel);
      scenes.push_back(path);
      for (int f = 0; f < 3; ++f) {
        std::string bytes(static_cast<size_t>(16 + r.below(300)), '\0');
        for (char& c : bytes) c = static_cast<char>(r.next());
        fx.dir.file("library/" + std::string(rel) + "/Earth nav data/+4" + std::to_string(f) + "-120.dsf", bytes);
      }
      fx.dir.file("library/" + std::string(rel) + "/library.txt", "A\r\n800 version\r\n");
    }
    scenes.push_back(fx.dir.win("library/gone/Vanished"));  // named by trees, absent from disk
    // A scene installed directly in Custom Scenery, a link made before the
    // program ran, and a link whose scene folder is gone.
    fx.dir.file("X-Plane 12/Custom Scenery/Direct Airport/Earth nav data/apt.dat", "1000 Version\r\n");
    fx.link("LFPG Paris", scenes[2]);
    fx.dir.mkdir("library/old/Old Scene");
    fx.link("Old Scene", fx.dir.win("library/old/Old Scene"), true);
    fs::remove_all(fx.dir.host("library/old"));

    libraryBefore = Snapshot(fx.dir.host("library"));
    directBefore = Snapshot(fx.dir.host("X-Plane 12/Custom Scenery/Direct Airport"));
  }
  void TearDown() override { SetLanguageFileOverride({}); }

  std::unique_ptr<EcrOrvellaLogic> startWindow() {
    auto w = std::make_unique<EcrOrvellaLogic>();
    w->FormCreate(fx.dir.win("orvella.exe"));
    return w;
  }

  void buildGroup(SceneryTree& t, Node* parent, int depth, Random& r) {
    const int children = 1 + r.below(4);
    for (int i = 0; i < children; ++i) {
      if (depth < 3 && r.chance(30)) {
        Node* g = t.addChild(parent, "Group " + std::to_string(r.below(100)), kKindGroup);
        buildGroup(t, g, depth + 1, r);
        if (r.chance(50)) t.setExpanded(g, true);
      } else {
        t.addChild(parent, r.pick(scenes), kKindScene);
      }
    }
  }
  void buildTrees(EcrOrvellaLogic& w, Random& r) {
    for (SceneryTree* t : {&w.CustScn, &w.GlobScn}) {
      const int tops = 1 + r.below(3);
      for (int i = 0; i < tops; ++i) {
        if (r.chance(20)) {
          t->addChild(nullptr, r.pick(scenes), kKindScene);
        } else {
          Node* g = t->addChild(nullptr, "Top " + std::to_string(i), kKindGroup);
          buildGroup(*t, g, 1, r);
        }
      }
      RafraichitArbre(*t, true);
    }
  }

  // Every node of a tree in walking order, the unmanaged ones included.
  static std::vector<Node*> Nodes(const SceneryTree& t) {
    std::vector<Node*> out;
    t.forEach([&](Node* n) { out.push_back(n); });
    return out;
  }

  // What must hold after every step.
  void checkDisk(const std::string& step) {
    ASSERT_EQ(Snapshot(fx.dir.host("library")), libraryBefore) << "a scene folder changed after " << step;
    ASSERT_EQ(Snapshot(fx.dir.host("X-Plane 12/Custom Scenery/Direct Airport")), directBefore)
        << "the directly installed scene changed after " << step;
    const fs::path custom = fx.dir.host("X-Plane 12/Custom Scenery");
    const fs::path global = fx.dir.host("X-Plane 12/Global Scenery");
    for (auto it = fs::recursive_directory_iterator(fx.dir.host()); it != fs::recursive_directory_iterator(); ++it) {
      if (!it->is_symlink()) continue;
      const fs::path parent = it->path().parent_path();
      ASSERT_TRUE(parent == custom || parent == global) << it->path() << " made after " << step;
      // A link points at a folder of the library: a scene of the trees, or
      // the one that was gone before the program ran.
      const fs::path target = fs::read_symlink(it->path());
      ASSERT_EQ(target.string().rfind(fx.dir.host("library").string(), 0), 0u) << it->path() << " -> " << target;
    }
  }

  // After a refresh: each link of a scenery folder is claimed by a scene of
  // its tree or listed as unclaimed, never both, and scene states say what
  // stands on disk.
  void checkLinks(const EcrOrvellaLogic& w, const std::string& step) {
    for (const SceneryTree* t : {&w.CustScn, &w.GlobScn}) {
      const fs::path folder = fx.dir.host(t == &w.CustScn ? "X-Plane 12/Custom Scenery" : "X-Plane 12/Global Scenery");
      // Names match as written where the folder tells case apart, else
      // without regard to the case of A-Z.
      const bool exact = FolderTellsCaseApart(t == &w.CustScn ? fx.custom : fx.global);
      const auto key = [exact](const std::string& name) { return exact ? name : FoldAsciiCase(name); };
      std::set<std::string> claimable, unclaimed;
      for (Node* n : Nodes(*t)) {
        const bool listed = t->unmanaged() && n->parent() == t->unmanaged();
        if (listed && n->state() == kStateUnclaimed) unclaimed.insert(n->text());
        if (!listed && n->isScene()) claimable.insert(key(LinkName(n->text())));
      }
      std::set<std::string> links;
      for (const auto& e : fs::directory_iterator(folder)) {
        if (!e.is_symlink()) continue;
        const std::string name = e.path().filename().string();
        links.insert(name);
        const bool claimed = claimable.count(key(name)) > 0;
        EXPECT_NE(claimed, unclaimed.count(name) > 0)
            << name << " in " << t->name() << " after " << step << (claimed ? ": claimed and listed" : ": lost");
      }
      for (const std::string& name : unclaimed) EXPECT_TRUE(links.count(name)) << name << " listed but not there";
      for (Node* n : Nodes(*t)) {
        if (!n->isScene() || (t->unmanaged() && n->parent() == t->unmanaged())) continue;
        const bool active = n->state() % kStateMissing == kStateAll;
        bool linked = false;
        for (const std::string& l : links) linked |= key(l) == key(LinkName(n->text()));
        EXPECT_EQ(active, linked) << n->text() << " in state " << n->state() << " after " << step;
      }
    }
  }

  SceneryFixture fx;
  ScriptedInteraction ui;
  ScopedUI scope{ui};
  std::vector<std::string> scenes;
  std::map<std::string, std::uint64_t> libraryBefore, directBefore;
};

TEST_P(SceneryProperty, ScenesStayWholeAndEveryLinkIsAccountedFor) {
  Random r(static_cast<std::uint64_t>(GetParam()) + 1000);
  auto w = startWindow();
  w->installations.push_back(fx.installation);
  w->selectInstallation(0);
  buildTrees(*w, r);
  checkLinks(*w, "the start");
  int errors = 0;

  for (int step = 0; step < 60 && !HasFatalFailure(); ++step) {
    ui.confirmAnswers.clear();
    ui.warnAnswers.clear();
    ui.inputAnswers.clear();
    ui.copyMoveAnswers.clear();
    SceneryTree& t = r.chance(70) ? w->CustScn : w->GlobScn;
    w->PagesChange(&t == &w->CustScn ? 0 : 1);
    const std::vector<Node*> nodes = Nodes(t);
    Node* n = nodes.empty() ? nullptr : r.pick(nodes);
    t.select(n);
    if (n && r.chance(25)) t.addToSelection(r.pick(nodes));
    w->TreeChange(&t);
    std::string what;
    try {
      switch (r.below(8)) {
        case 0:
        case 1:
          what = "activation";
          if (w->form["btnActiver"].enabled) w->btnActiverClick();
          break;
        case 2:
          what = "deactivation";
          if (w->form["btnDesactiver"].enabled) w->btnDesactiverClick();
          break;
        case 3:
          what = "removal";
          ui.warnAnswers.push_back(r.chance(80));
          if (w->form["btnSuppGroupe"].enabled) w->btnSuppGroupeClick();
          break;
        case 4: {
          what = "drag and drop";
          Node* target = nodes.empty() ? nullptr : r.pick(nodes);
          ui.copyMoveAnswers.push_back(r.pick(std::vector<int>{kMrYes, kMrNo, kMrNo, kMrCancel}));
          if (n && w->TreeDragOver(&t, target)) w->TreeDragDrop(&t, target);
          break;
        }
        case 5: {
          what = "renaming";
          const std::vector<std::string> names = {r.pick(scenes), "Renamed " + std::to_string(step), "",
                                                  FoldAsciiCase(r.pick(scenes)), fx.dir.win("library")};
          if (n) w->TreeEdited(&t, n, r.pick(names));
          break;
        }
        case 6:
          what = "new group";
          ui.inputAnswers.push_back("New " + std::to_string(step));
          if (r.chance(50)) {
            w->btnNouvGroupeClick();
          } else if (w->form["btnNouvSousGroupe"].enabled) {
            w->btnNouvSousGroupeClick();
          }
          break;
        default: {
          what = "closing and starting again";
          const auto cust = Lines(w->CustScn);
          const auto glob = Lines(w->GlobScn);
          w->FormDestroy();
          w = startWindow();
          EXPECT_EQ(Lines(w->CustScn), cust) << "the arrangement came back whole";
          EXPECT_EQ(Lines(w->GlobScn), glob);
          checkLinks(*w, "step " + std::to_string(step) + ", " + what);
          break;
        }
      }
    } catch (const Error& e) {
      // The window shows it and the next command runs; the properties hold all the same.
      ++errors;
      ui.messages.push_back(e.what());
    }
    checkDisk("step " + std::to_string(step) + ", " + what);
  }
  RafraichitArbre(w->CustScn, true);
  RafraichitArbre(w->GlobScn, true);
  checkLinks(*w, "the last step");
  EXPECT_LE(errors, 3) << "a few failed commands are expected, not a run of them";
  RecordProperty("commands_failed", errors);
}

INSTANTIATE_TEST_SUITE_P(Seeds, SceneryProperty, ::testing::Range(1, 21));

}  // namespace
}  // namespace orvella::test
