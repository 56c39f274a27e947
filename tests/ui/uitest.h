// Shared pieces of the GUI tests: a fixture that starts the real main window
// with an executable path in a temporary folder and a scripted Interaction,
// and small helpers to click nodes and collect Qt's warnings.
#pragma once

#include <gtest/gtest.h>

#include <QRect>
#include <QStringList>
#include <QTest>

#include <memory>
#include <ostream>
#include <string>

#include "logic/core/interaction.h"
#include "logic/texts/textes.h"
#include "support/languagefile.h"
#include "support/scriptedinteraction.h"
#include "support/testdir.h"
#include "ui/mainwindow.h"
#include "ui/ttreeview.h"

// Readable values in failure messages.
inline void PrintTo(const QRect& r, std::ostream* os) {
  *os << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ")";
}
inline void PrintTo(const QPoint& p, std::ostream* os) { *os << "QPoint(" << p.x() << ", " << p.y() << ")"; }
inline void PrintTo(const QSize& s, std::ostream* os) { *os << "QSize(" << s.width() << ", " << s.height() << ")"; }

namespace orvella::test {

class UiTest : public ::testing::Test {
 protected:
  // The main window after FormCreate, shown.
  std::unique_ptr<ui::TEcrOrvella> start() {
    auto w = std::make_unique<ui::TEcrOrvella>();
    w->formCreate(exe());
    w->show();
    return w;
  }
  std::string exe() const { return dir.win("orvella.exe"); }

  TestDir dir;
  LanguageFileScope texts_{dir.win("orvella.lng")};
  ScriptedInteraction scripted;
  ScopedUI scope{scripted};
};

inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// A click on the row of a node.
inline void ClickNode(ui::TTreeView* view, const Node* node, Qt::KeyboardModifiers mods = {},
                      Qt::MouseButton button = Qt::LeftButton) {
  QTest::mouseClick(view->viewport(), button, mods, view->nodeRect(node).center());
}

// Collects Qt's warnings while it lives (the model tester reports there).
class WarningCollector {
 public:
  WarningCollector() {
    Current() = this;
    previous_ = qInstallMessageHandler(&Handle);
  }
  ~WarningCollector() {
    qInstallMessageHandler(previous_);
    Current() = nullptr;
  }
  QStringList messages;

 private:
  static WarningCollector*& Current() {
    static WarningCollector* current = nullptr;
    return current;
  }
  static void Handle(QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (Current() && type != QtDebugMsg && type != QtInfoMsg) Current()->messages << msg;
  }
  QtMessageHandler previous_ = nullptr;
};

}  // namespace orvella::test
