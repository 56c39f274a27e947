// The window as a desktop program: its size whatever the settings file says,
// closing by any means, the keyboard, one running program per settings
// file, and the end of the session.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include <csignal>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "support/sceneryfixture.h"
#include "ui/qtinteraction.h"
#include "ui/sessionend.h"
#include "ui/singleinstance.h"
#include "uitest.h"

namespace orvella::test {
namespace {

using DesktopTest = UiTest;

QSize Available() { return QGuiApplication::primaryScreen()->availableGeometry().size(); }

TEST_F(DesktopTest, UnusableStoredSizesOpenAUsableWindowAndAreNotWrittenBack) {
  const QSize design(673, 542);
  struct Case {
    const char* settings;
    QSize expected;
  };
  const Case cases[] = {
      {"", design},
      {"5\r\n100 100", design},
      {"5\r\n100 100 0 -20\r\n0 -1\r\n0 1 1\r\n-\r\n", design},
      {"5\r\n100 100 700 3\r\n0 -1\r\n0 1 1\r\n-\r\n", QSize(700, 542)},
      {"5\r\n10 10 40000 40000\r\n0 -1\r\n0 1 1\r\n-\r\n", Available()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings);
    dir.file("orvella.ini", c.settings);
    auto w = start();
    // The whole window, its frame included, stays on the screen.
    const QSize frame = w->frameGeometry().size() - w->size();
    const QSize expected = c.expected.boundedTo(Available() - frame);
    EXPECT_EQ(w->size(), expected);
    EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(w->frameGeometry()))
        << w->frameGeometry().x() << "," << w->frameGeometry().y();
    static_cast<QWidget*>(w.get())->close();
    // The next start opens the same usable window.
    auto again = start();
    EXPECT_EQ(again->size(), expected);
    static_cast<QWidget*>(again.get())->close();
  }
}

TEST_F(DesktopTest, TheCloseBoxKeepsAnInPlaceEditAsQuitterDoes) {
  for (const bool byButton : {false, true}) {
    SCOPED_TRACE(byButton ? "Quitter" : "close box");
    dir.file("orvella.ini", "5\r\n60 40 673 542\r\n0 -1\r\n0 1 1\r\n+Europe\r\n-\r\n-\r\n");
    auto w = start();
    ui::TTreeView* view = w->treeView(w->logic().custScn());
    const QModelIndex europe = view->indexOfNode(w->logic().custScn().top(0));
    view->setCurrentIndex(europe);
    view->edit(europe);
    auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(europe));
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("Asie"));
    if (byButton)
      w->run([&] { w->logic().btnQuitterClick(); });
    else
      static_cast<QWidget*>(w.get())->close();
    EXPECT_EQ(dir.read("orvella.ini"), "5\r\n60 40 673 542\r\n0 -1\r\n0 1 1\r\n+Asie\r\n-\r\n-\r\n");
  }
}

TEST_F(DesktopTest, HomeAfterAClickOnEmptySpaceSelectsTheFirstNodeAndActivatesIt) {
  SceneryFixture fx;
  if (!SceneryFixture::LinksSupported(fx.dir)) GTEST_SKIP() << "this volume cannot hold links";
  const std::string paris = fx.scene("Paris");
  dir.file("orvella.ini",
           "5\r\n162 77 673 542\r\n1 0\r\n" + fx.installation + "\r\n0 1 1\r\n+Europe\r\n=" + paris + "\r\n-\r\n-\r\n");
  auto w = start();
  EcrOrvellaLogic& l = w->logic();
  ui::TTreeView* view = w->treeView(l.custScn());
  QApplication::setActiveWindow(w.get());
  view->setFocus(Qt::TabFocusReason);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(50, view->viewport()->height() - 5));
  QTest::keyClick(view, Qt::Key_Home);
  Node* europe = l.custScn().top(0);
  EXPECT_EQ(view->currentIndex(), view->indexOfNode(europe));
  EXPECT_TRUE(view->selectionModel()->isSelected(view->indexOfNode(europe)));
  ASSERT_EQ(l.custScn().selected(), europe);
  auto* activer = qobject_cast<QAbstractButton*>(w->control("btnActiver"));
  ASSERT_TRUE(activer->isEnabled());
  QTest::mouseClick(activer, Qt::LeftButton);
  EXPECT_TRUE(fx.dir.isSymlink("X-Plane 12/Custom Scenery/Paris"));
}

TEST_F(DesktopTest, KeysRunTheCommandsOfTheDesktop) {
  dir.file("orvella.ini", "5\r\n162 77 673 542\r\n0 -1\r\n0 1 1\r\n+Europe\r\n-\r\n+Asie\r\n-\r\n-\r\n");
  auto w = start();
  EcrOrvellaLogic& l = w->logic();
  ui::TTreeView* view = w->treeView(l.custScn());
  Node* asie = l.custScn().top(1);
  ClickNode(view, asie);
  ASSERT_EQ(l.custScn().selected(), asie);

  // Shift+F10 opens the popup menu at the focused node, as the Menu key.
  for (const auto& [key, mods] : {std::pair{Qt::Key_F10, Qt::ShiftModifier}, std::pair{Qt::Key_Menu, Qt::NoModifier}}) {
    QTest::keyClick(view, key, mods);
    ASSERT_TRUE(w->popupMenu()->isVisible());
    const QRect row = view->nodeRect(asie).translated(view->viewport()->mapToGlobal(QPoint(0, 0)));
    EXPECT_TRUE(row.contains(w->popupMenu()->pos())) << "at the focused node's row";
    w->popupMenu()->hide();
  }

  // Delete asks the removal question of the removal button.
  scripted.warnAnswers.push_back(true);
  QTest::keyClick(view, Qt::Key_Delete);
  ASSERT_EQ(scripted.events.size(), 1u);
  EXPECT_EQ(scripted.events.back().kind, "warn");
  EXPECT_EQ(l.custScn().topCount(), 1);

  // Return on a focused button clicks it.
  auto* nouveau = w->control("btnNouvGroupe");
  scripted.inputAnswers.push_back(std::string("Afrique"));
  QTest::keyClick(nouveau, Qt::Key_Return);
  EXPECT_EQ(l.custScn().topCount(), 2);
}

TEST_F(DesktopTest, F5ShowsWhatChangedOnDisk) {
  SceneryFixture fx;
  if (!SceneryFixture::LinksSupported(fx.dir)) GTEST_SKIP() << "this volume cannot hold links";
  const std::string paris = fx.scene("Paris");
  fx.link("Paris", paris);
  dir.file("orvella.ini", "5\r\n162 77 673 542\r\n1 0\r\n" + fx.installation + "\r\n0 1 1\r\n=" + paris + "\r\n-\r\n");
  auto w = start();
  Node* scene = w->logic().custScn().top(0);
  ASSERT_EQ(scene->state(), kStateAll);
  std::filesystem::rename(fx.dir.host("library/Paris"), fx.dir.host("library/Paris renamed"));
  QApplication::setActiveWindow(w.get());
  QTest::keyClick(w.get(), Qt::Key_F5);
  EXPECT_EQ(scene->state(), kStateAllMissing);
}

TEST_F(DesktopTest, TabFollowsTheControlsAsTheyAreSeen) {
  auto w = start();
  QApplication::setActiveWindow(w.get());
  // The name of the control that holds the focus (a tab bar for its pages).
  auto focused = [] {
    QWidget* f = QApplication::focusWidget();
    while (f && f->objectName().startsWith(QStringLiteral("qt_"))) f = f->parentWidget();
    return f ? f->objectName().toStdString() : std::string("(none)");
  };
  w->control("btnAjouteXPlane")->setFocus(Qt::OtherFocusReason);
  // Disabled controls and the hidden tab's tree are passed over.
  const std::vector<std::string> forward = {"Pages",        "CustScn",        "btnNouvGroupe",      "cbTriAuto",
                                            "cbEffaceIni",  "btnOuvrirXP",    "btnOuvrirXPQuitter", "btnQuitter",
                                            "cbOrdonneIni", "btnAjouteXPlane"};
  std::vector<std::string> seen;
  for (size_t i = 0; i < forward.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    seen.push_back(focused());
  }
  EXPECT_EQ(seen, forward);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(focused(), "cbOrdonneIni");
}

TEST_F(DesktopTest, LanguageFileGivesTheArrowsTextAndSeparatorsCaptions) {
  dir.file("orvella.lng", "[EcrOrvella]\r\nbtnDeplH=Haut\r\nPM_N2=Options\r\n");
  auto w = start();
  auto* up = qobject_cast<QToolButton*>(w->control("btnDeplH"));
  EXPECT_EQ(up->text(), QStringLiteral("Haut"));
  EXPECT_EQ(up->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
  EXPECT_EQ(qobject_cast<QToolButton*>(w->control("btnDeplB"))->toolButtonStyle(), Qt::ToolButtonIconOnly);
  w->preparePopup();
  EXPECT_FALSE(w->menuAction("PM_N2")->isSeparator());
  EXPECT_EQ(w->menuAction("PM_N2")->text(), QStringLiteral("Options"));
  EXPECT_TRUE(w->menuAction("PM_N1")->isSeparator());
}

TEST_F(DesktopTest, TheFolderPickerOpensInTheHomeFolder) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows shows the shell's own folder dialog, rooted at the desktop";
#endif
  ui::QtInteraction real;
  QString shown;
  QTimer::singleShot(0, [&] {
    if (auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      shown = dlg->directory().absolutePath();
      dlg->reject();
    }
  });
  EXPECT_EQ(real.PickFolder("Choisir"), std::nullopt);
  EXPECT_EQ(shown, QDir::homePath());
}

TEST(SingleInstance, ASecondStartRingsTheFirstAndADeadOwnersLockIsTakenOver) {
  TestDir dir;
  const QString settings = QString::fromStdString(dir.host("orvella.ini").string());
  ui::SingleInstance first(settings);
  ASSERT_EQ(first.acquire(), ui::SingleInstance::Result::Primary);
  int rung = 0;
  first.onActivate = [&] { ++rung; };
  ui::SingleInstance second(settings);
  EXPECT_EQ(second.acquire(), ui::SingleInstance::Result::OtherActivated);
  EXPECT_TRUE(QTest::qWaitFor([&] { return rung > 0; }, 5000));
  // Heard by the watcher and by the look once a second: answered once. A
  // later start rings again.
  QTest::qWait(1200);
  EXPECT_EQ(rung, 1);
  EXPECT_EQ(ui::SingleInstance(settings).acquire(), ui::SingleInstance::Result::OtherActivated);
  EXPECT_TRUE(QTest::qWaitFor([&] { return rung == 2; }, 5000));
  // A doorbell emptied by someone else is no ring; the next ring after it is.
  ASSERT_TRUE(QFile(first.bellPath()).resize(0));
  QTest::qWait(1200);
  EXPECT_EQ(rung, 2);
  EXPECT_EQ(ui::SingleInstance(settings).acquire(), ui::SingleInstance::Result::OtherActivated);
  EXPECT_TRUE(QTest::qWaitFor([&] { return rung == 3; }, 5000));
  // Another settings file is another program's business.
  ui::SingleInstance other(settings + QStringLiteral("2"));
  EXPECT_EQ(other.acquire(), ui::SingleInstance::Result::Primary);

#ifndef _WIN32
  // A program that died holding the lock does not keep the next one out.
  const QString crashed = settings + QStringLiteral("-crashed");
  const QString lockPath = ui::SingleInstance(crashed).lockPath();
  const pid_t child = ::fork();
  if (child == 0) {
    QLockFile lock(lockPath);
    lock.setStaleLockTime(0);
    ::_exit(lock.tryLock(0) ? 0 : 1);  // no unlock: as a crash leaves it
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  ASSERT_TRUE(QFile::exists(lockPath));
  ui::SingleInstance after(crashed);
  EXPECT_EQ(after.acquire(), ui::SingleInstance::Result::Primary);
#endif
}

#ifndef _WIN32
TEST(SessionEnd, TerminationSignalsReachTheEventLoop) {
  ui::SessionEnd end;
  int calls = 0;
  end.onTerminate = [&] { ++calls; };
  ::raise(SIGTERM);
  EXPECT_TRUE(QTest::qWaitFor([&] { return calls == 1; }, 5000));
  ::raise(SIGHUP);
  EXPECT_TRUE(QTest::qWaitFor([&] { return calls == 2; }, 5000));
}
#endif

}  // namespace
}  // namespace orvella::test
