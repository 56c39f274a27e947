// The main window: shows the state of the window's logic (EcrOrvellaLogic)
// with one widget per control of its Form and forwards every event to the
// logic's handler. Every handler runs through run(), the application's
// general error display.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "logic/mainwindow/ecrorvellalogic.h"
#include "ui/checkmarks.h"

class QMenu;
class QAction;

namespace orvella::ui {

class CheckDialog;
class FormView;
class TTreeView;

class TEcrOrvella : public QWidget, public WindowHost {
  Q_OBJECT
 public:
  explicit TEcrOrvella(QWidget* parent = nullptr);
  ~TEcrOrvella() override;

  EcrOrvellaLogic& logic() { return logic_; }
  // FormCreate with the executable's full path (a Windows path); from then
  // on both trees take folders dropped from the desktop.
  void formCreate(const std::string& exePath, const std::string& settingsFile = {});

  // The widget of a control (nullptr for an unknown name).
  QWidget* control(std::string_view name) const;
  TTreeView* treeView(const SceneryTree& tree) const;
  // The popup menu PM_Page; its actions carry the menu items' names.
  QMenu* popupMenu() const { return menu_; }
  QAction* menuAction(std::string_view name) const;
  // PM_PagePopup, then the menu's items as the Form says. Answers the menu.
  QMenu* preparePopup();
  // Prepares the popup menu and opens it at a screen position.
  void showPopup(const QPoint& globalPos);

  // "Vérifier les scènes" (F7): checks the selected installation on a thread
  // of its own in the check's window, which stays open beside this one.
  void startCheck();
  CheckDialog* checkDialog() const;
  const CheckMarks& checkMarks() const { return marks_; }
  // Selects the node of a pack of the report in its tree (by its folder, or
  // its name in the scenery folder); false when no tree shows it.
  bool selectPack(const std::string& name, const std::string& folder);

  // Runs one event handler: an exception ends that handler only and its
  // message is shown in a message box with the application title. The
  // window then shows the logic's state, once per event: a handler run from
  // within another leaves it to the outer one. False when the handler failed.
  bool run(const std::function<void()>& handler);
  // Shows the logic's state: caption, every control, the installations.
  void refresh();
  // How many times refresh() applied the state since the window was built.
  int applyCount() const { return applyCount_; }

  // WindowHost. The bounds are the window frame's position and the client
  // area's size, which restore exactly however large the frame is.
  Rect bounds() override;
  void setBounds(const Rect& r) override;
  void closeWindow() override;
  void bringToFront() override;
  void showNow() override;
  void queueCheck() override;

  // The desktop session ends or the program was asked to terminate: any
  // dialog still open goes, then the window closes as its close box does.
  void closeForSessionEnd();

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  // Tab and Shift+Tab follow the controls as they are seen.
  bool focusNextPrevChild(bool next) override;

 private:
  QWidget* createControl(Component& c, QWidget* parent);
  void connectControls();
  void buildMenu();
  void applyMenu();
  void applyInstallations();
  void takeReport(const check::Report& report);
  void repairThenCheck(const std::function<bool()>& repair, const QString& failure);

  EcrOrvellaLogic logic_;
  std::unique_ptr<FormView> view_;
  TTreeView* custView_ = nullptr;
  TTreeView* globView_ = nullptr;
  QMenu* menu_ = nullptr;
  std::map<std::string, QAction*, std::less<>> actions_;
  bool created_ = false;
  bool destroyed_ = false;
  bool applying_ = false;
  bool tearingDown_ = false;
  int running_ = 0;  // handlers running, one within another
  int applyCount_ = 0;
  QSize designSize_;  // the client area as designed
  // Moves (and if need be shrinks) the window so that the whole of it, its
  // frame included, lies in the available area of `screen`.
  void keepOnScreen(QScreen* screen);
  QPointer<CheckDialog> checkDialog_;
  CheckMarks marks_;
};

}  // namespace orvella::ui
