// The scenery check in the real main window, with the real engine: the
// command, the report's window, the marks on the trees, the repair, the
// map's click, and how long the window's event loop waits while 1,000
// packs are checked.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <ctime>
#include <memory>

#include "logic/texts/textes.h"
#include "reports.h"
#include "support/sceneryfixture.h"
#include "support/scriptedinteraction.h"
#include "support/testdir.h"
#include "ui/checkdialog.h"
#include "ui/checkrunner.h"
#include "ui/mainwindow.h"
#include "ui/scenerytreemodel.h"
#include "ui/tilemapview.h"
#include "ui/ttreeview.h"
#include "xpworld.h"

namespace orvella::test {
namespace {

// The processor time the calling thread has used, in ms. Unlike the wall
// clock it does not grow while the thread waits for a core another program
// holds, so a busy machine does not count as a window that stopped answering.
qint64 ThreadCpuMs() {
  // MinGW's threads library gives this clock on Windows too.
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<qint64>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// The sanitizers make every instruction several times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 kPauseLimitMs = 300;
#else
constexpr qint64 kPauseLimitMs = 100;
#endif

class CheckWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTextes();
    SetLanguageFileOverride(dir.win("orvella.lng"));
    if (!SceneryFixture::LinksSupported(dir)) GTEST_SKIP() << "this volume cannot hold links";
  }
  void TearDown() override {
    SetLanguageFileOverride({});
    ResetTextes();
  }
  // The window over an installation: LSGS (active) needs a library that the
  // scene OpenSceneryX (inactive) provides; Global Scenery covers two tiles.
  std::unique_ptr<ui::TEcrOrvella> start() {
    world.base();
    world.tile("XP/Global Scenery/X-Plane 12 Global Scenery", 46, 7);
    world.tile("XP/Global Scenery/X-Plane 12 Global Scenery", 45, 6);
    world.airport("Scenes/LSGS", {"LSGS"});
    world.tile("Scenes/LSGS", 46, 7, true, {"opensceneryx/objects/tree.obj"});
    world.library("Scenes/OpenSceneryX", {"opensceneryx/objects/tree.obj"});
    auto w = std::make_unique<ui::TEcrOrvella>();
    w->formCreate(dir.win("orvella.exe"));
    w->show();
    EcrOrvellaLogic& l = w->logic();
    Node* g = l.custScn().addChild(nullptr, "Europe", kKindGroup);
    lsgs = l.custScn().addChild(g, dir.win("Scenes/LSGS"), kKindScene);
    osx = l.custScn().addChild(g, dir.win("Scenes/OpenSceneryX"), kKindScene);
    l.custScn().setExpanded(g, true);
    world.link("LSGS", "Scenes/LSGS");
    w->run([&] {
      l.addInstallation(world.installation());
      l.selectInstallation(0);
    });
    return w;
  }
  // Waits for the check's report.
  static std::shared_ptr<const check::Report> WaitReport(ui::TEcrOrvella* w,
                                                         std::shared_ptr<const check::Report> previous = nullptr) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 60000) {
      QApplication::processEvents(QEventLoop::AllEvents, 20);
      ui::CheckDialog* d = w->checkDialog();
      if (d && d->report() && d->report() != previous) return d->report();
    }
    return nullptr;
  }
  QString tip(ui::TEcrOrvella* w, Node* n) {
    ui::SceneryTreeModel* m = w->treeView(w->logic().custScn())->sceneryModel();
    return m->data(m->indexOf(n), Qt::ToolTipRole).toString();
  }

  TestDir dir;
  ScriptedInteraction scripted;
  ScopedUI scope{scripted};
  XpWorld world{dir};
  Node* lsgs = nullptr;
  Node* osx = nullptr;
};

TEST_F(CheckWindowTest, TheCheckMarksTheScenesAndActivatingTheProviderMendsThem) {
  auto w = start();
  EXPECT_TRUE(w->control("btnVerifier")->isEnabled());
  w->preparePopup();
  EXPECT_TRUE(w->menuAction("PM_Verifier")->isVisible());
  QApplication::setActiveWindow(w.get());
  QTest::keyClick(w.get(), Qt::Key_F7);
  const auto report = WaitReport(w.get());
  ASSERT_TRUE(report);
  ASSERT_FALSE(report->missing.empty());
  const check::Missing& m = report->missing.front();
  EXPECT_EQ(m.library, "opensceneryx");
  EXPECT_EQ(m.reason, check::Reason::Inactive);

  // Marks: the scene that misses it, the scene that would provide it.
  EXPECT_TRUE(tip(w.get(), lsgs).contains(QStringLiteral("Manque opensceneryx/objects/tree.obj")))
      << tip(w.get(), lsgs).toStdString();
  EXPECT_TRUE(tip(w.get(), osx).contains(QStringLiteral("Fournit opensceneryx")));

  // The map: Global Scenery's land, the airport's tile; a click selects it.
  ui::TileMapView* map = w->checkDialog()->map();
  EXPECT_EQ(map->packsOf({45, 6}).size(), 1u);
  map->resize(720, 360);
  map->setView(20, QPointF(7.5, 46.5));
  QTest::mouseClick(map, Qt::LeftButton, {}, map->tileRect({46, 7}).center().toPoint());
  EXPECT_EQ(w->logic().custScn().selected(), lsgs);

  // "Activer" on the library's line: the scene is linked, the check runs
  // again and finds nothing; the marks go.
  QTreeWidget* t = w->checkDialog()->reportTree();
  const auto lines =
      t->findItems(QStringLiteral("Bibliothèque « opensceneryx »"), Qt::MatchRecursive | Qt::MatchStartsWith, 0);
  ASSERT_EQ(lines.size(), 1);
  ASSERT_EQ(ActionOf(lines.front()), QStringLiteral("Activer"));
  ClickAction(t, lines.front());
  EXPECT_TRUE(dir.isSymlink("XP/Custom Scenery/OpenSceneryX"));
  const auto again = WaitReport(w.get(), report);
  ASSERT_TRUE(again);
  EXPECT_TRUE(again->missing.empty());
  EXPECT_TRUE(w->checkMarks().empty());
  EXPECT_FALSE(tip(w.get(), lsgs).contains(QStringLiteral("Manque")));
  EXPECT_TRUE(scripted.messages.empty());

  // A repair that cannot be made says so through the interaction.
  emit w->checkDialog()->activateRequested(QStringLiteral("Z:\\nowhere\\Gone"));
  ASSERT_EQ(scripted.messages.size(), 1u);
  EXPECT_EQ(scripted.messages[0], A("La scène Z:\\nowhere\\Gone n'a pas pu être activée."));
}

TEST_F(CheckWindowTest, TheWindowKeepsAnsweringWhileAThousandPacksAreChecked) {
  world.base();
  const int kPacks = 1000;
  for (int i = 0; i < kPacks; ++i) {
    const std::string rel = "XP/Custom Scenery/P" + std::to_string(i);
    world.tile(rel, i % 170 - 85, i % 360 - 180, i % 3 == 0, {"lib" + std::to_string(i % 7) + "/a.obj"}, {"lib/t.ter"});
  }
  auto w = std::make_unique<ui::TEcrOrvella>();
  w->formCreate(dir.win("orvella.exe"));
  w->show();
  w->run([&] {
    w->logic().addInstallation(world.installation());
    w->logic().selectInstallation(0);
  });
  // A timer of 5 ms on the window's thread: the most work the thread did
  // between two of its ticks is the longest it left an event waiting (its
  // own processor time, so that other programs on the machine do not count;
  // the wall-clock gap is printed beside it).
  QElapsedTimer clock;
  qint64 last = 0;
  qint64 lastCpu = ThreadCpuMs();
  qint64 longest = 0;
  qint64 longestWall = 0;
  QTimer tick;
  tick.setInterval(5);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    const qint64 cpu = ThreadCpuMs();
    longest = std::max(longest, cpu - lastCpu);
    longestWall = std::max(longestWall, now - last);
    last = now;
    lastCpu = cpu;
  });
  clock.start();
  tick.start();
  w->startCheck();
  QSignalSpy progress(w->checkDialog()->runner(), &ui::CheckRunner::progress);
  const auto report = WaitReport(w.get());
  tick.stop();
  // The bar followed the packs, one queued count at a time.
  ASSERT_FALSE(progress.isEmpty());
  const int done = progress.back()[0].toInt();
  const int total = progress.back()[1].toInt();
  EXPECT_GT(total, 0);
  EXPECT_LE(done, total);
  EXPECT_LT(progress.size(), kPacks);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->packs.size(), static_cast<size_t>(kPacks));
  EXPECT_LE(longest, kPauseLimitMs) << "longest work of the window's thread between two ticks, ms";
  RecordProperty("longest_pause_ms", static_cast<int>(longest));
  std::printf("checked %d packs in %lld ms; longest pause of the event loop: %lld ms of work, %lld ms of wall time\n",
              kPacks, static_cast<long long>(clock.elapsed()), static_cast<long long>(longest),
              static_cast<long long>(longestWall));

  // Cancel stops a check on its way; the report says so and marks nothing new.
  w->startCheck();
  w->checkDialog()->runner()->cancel();
  const auto stopped = WaitReport(w.get(), report);
  ASSERT_TRUE(stopped);
  EXPECT_TRUE(stopped->cancelled);
}

}  // namespace
}  // namespace orvella::test
