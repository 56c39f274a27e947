#include "ui/mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDialog>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QTabWidget>
#include <QToolButton>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "logic/core/ansi.h"
#include "logic/core/interaction.h"
#include "logic/model/linknames.h"
#include "logic/texts/textes.h"
#include "qtansi/ansiqt.h"
#include "ui/bevel.h"
#include "ui/checkdialog.h"
#include "ui/checktexts.h"
#include "ui/formview.h"
#include "ui/images.h"
#include "ui/radiogroup.h"
#include "ui/scenerytreemodel.h"
#include "ui/ttreeview.h"

namespace orvella::ui {

TEcrOrvella::TEcrOrvella(QWidget* parent) : QWidget(parent) {
  view_ = std::make_unique<FormView>(logic_.layoutForm(), this,
                                     [this](Component& c, QWidget* p) { return createControl(c, p); });
  // The design position and client area; the settings file may change both.
  designSize_ = QSize(logic_.mainForm().clientWidth(), logic_.mainForm().clientHeight());
  move(162, 77);
  resize(designSize_);
  // The program's icon, at every size drawn for it: the title bar, the task
  // bar and the window switcher each take the one that fits.
  QIcon icon;
  for (int side : {16, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/%1x%1/orvella.png").arg(side), QSize(side, side));
  setWindowIcon(icon);
  logic_.setHost(this);
  CheckHandlers(logic_.mainForm());
  buildMenu();
  connectControls();
  // F5 reads both trees' scenery folders again.
  auto* reload = new QShortcut(QKeySequence(Qt::Key_F5), this);
  reload->setContext(Qt::WindowShortcut);
  connect(reload, &QShortcut::activated, this, [this] { run([this] { logic_.refreshAll(); }); });
  // F7 checks the selected installation's scenes.
  auto* verify = new QShortcut(QKeySequence(Qt::Key_F7), this);
  verify->setContext(Qt::WindowShortcut);
  connect(verify, &QShortcut::activated, this, [this] {
    if (logic_.installationSelected()) startCheck();
  });
  refresh();
}

TEcrOrvella::~TEcrOrvella() {
  tearingDown_ = true;
  logic_.setHost(nullptr);
  // The widgets go first: the tree views' models let go of the trees they
  // observe while the trees still exist.
  const auto children = findChildren<QObject*>(QString(), Qt::FindDirectChildrenOnly);
  for (QObject* child : children) delete child;
}

QWidget* TEcrOrvella::createControl(Component& c, QWidget* parent) {
  switch (c.kind) {
    case ComponentKind::TreeView:
      if (c.name == logic_.custScn().name()) return custView_ = new TTreeView(logic_.custScn(), parent);
      if (c.name == logic_.globScn().name()) return globView_ = new TTreeView(logic_.globScn(), parent);
      return nullptr;
    case ComponentKind::Bevel:
      // Bevel3 frames the installation buttons; the others are lines.
      if (c.name == "Bevel1") return new Bevel(Bevel::Shape::RightLine, parent);
      if (c.name == "Bevel2") return new Bevel(Bevel::Shape::TopLine, parent);
      if (c.name == "Bevel4") return new Bevel(Bevel::Shape::BottomLine, parent);
      return nullptr;
    case ComponentKind::SpeedButton: {
      auto* b = new QToolButton(parent);
      b->setToolButtonStyle(Qt::ToolButtonIconOnly);
      b->setIcon(ArrowIcon(c.name != "btnDeplB"));
      b->setIconSize(QSize(kStateImageSize, kStateImageSize));
      return b;
    }
    default:
      return nullptr;
  }
}

void TEcrOrvella::connectControls() {
  // Each handler of the table to its button, check box or menu item.
  for (const ControlHandler& h : ControlHandlers()) {
    if (QAction* a = menuAction(h.control)) {
      connect(a, &QAction::triggered, this, [this, &h] { run([&] { logic_.dispatch(h); }); });
      continue;
    }
    auto* b = view_->get<QAbstractButton>(h.control);
    if (!b) throw std::logic_error("no button for the handler of " + std::string(h.control));
    if (logic_.mainForm()[h.control].kind == ComponentKind::CheckBox)
      // The box shows the click at once; the Form learns it before the
      // handler runs.
      connect(b, &QAbstractButton::clicked, this, [this, &h](bool on) {
        run([&] {
          logic_.setChecked(h.control, on);
          logic_.dispatch(h);
        });
      });
    else
      connect(b, &QAbstractButton::clicked, this, [this, &h] { run([&] { logic_.dispatch(h); }); });
  }

  for (const std::string& name : view_->names()) {
    const Component& c = logic_.mainForm()[name];
    QWidget* w = view_->widget(name);
    switch (c.kind) {
      case ComponentKind::Button:
      case ComponentKind::SpeedButton:
        // Return clicks a focused button, as Space does.
        w->installEventFilter(this);
        break;
      case ComponentKind::RadioGroup:
        connect(qobject_cast<RadioGroup*>(w), &RadioGroup::itemClicked, this,
                [this](int index) { run([&] { logic_.selectInstallation(index); }); });
        break;
      case ComponentKind::PageControl:
        connect(qobject_cast<QTabWidget*>(w), &QTabWidget::currentChanged, this, [this](int index) {
          if (!applying_) run([&] { logic_.PagesChange(index); });
        });
        break;
      default:
        break;
    }
    // Every control opens the window's popup menu.
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(w, &QWidget::customContextMenuRequested, this, [this, w](const QPoint& pos) {
      auto* area = qobject_cast<QAbstractScrollArea*>(w);
      showPopup(area ? area->viewport()->mapToGlobal(pos) : w->mapToGlobal(pos));
    });
  }

  for (TTreeView* v : {custView_, globView_}) {
    SceneryTree* tree = &v->tree();
    v->onSelectionChanged = [this, tree] { run([&] { logic_.TreeChange(tree); }); };
    v->onEdited = [this, tree](Node* node, const std::string& text) {
      run([&] { logic_.TreeEdited(tree, node, text); });
    };
    v->onDragOver = [this, tree](Node* target) {
      bool accept = false;
      run([&] { accept = logic_.TreeDragOver(tree, target); });
      return accept;
    };
    v->onDragDrop = [this, tree](Node* target) { run([&] { logic_.TreeDragDrop(tree, target); }); };
    v->onDropFiles = [this, tree](Node* target, const std::vector<std::string>& names) {
      run([&] { logic_.dropFiles(tree, target, names); });
    };
    // Delete removes the selection as the removal button does, when it can.
    v->onDeleteKey = [this] {
      if (logic_.controls().btnSuppGroupe.enabled) run([this] { logic_.btnSuppGroupeClick(); });
    };
  }
  // A scene's tooltip tells its kind; a failure to read it shows none.
  for (TTreeView* v : {custView_, globView_}) {
    v->sceneryModel()->toolTipOf = [this](const Node* node) {
      try {
        return logic_.nodeHint(node);
      } catch (const std::exception&) {
        return std::string();
      }
    };
    // What the last scenery check found for the node's pack.
    v->sceneryModel()->problemsOf = [this](const Node* node) {
      if (marks_.empty()) return QStringList();
      const std::string folder = logic_.packFolderOf(node);
      if (folder.empty()) return QStringList();
      const size_t cut = folder.find_last_of('\\');
      const std::string name =
          node->isScene() ? LinkName(folder) : folder.substr(cut == std::string::npos ? 0 : cut + 1);
      return marks_.problemsOf(folder, name);
    };
  }
  // Only the Custom Scenery tree selects the node under a right click.
  custView_->onRightButtonDown = [this](Node* node) { run([&] { logic_.CustScnMouseDown(true, node); }); };
}

void TEcrOrvella::buildMenu() {
  menu_ = new QMenu(this);
  menu_->setObjectName(QStringLiteral("PM_Page"));
  menu_->setSeparatorsCollapsible(false);
  for (const Component& c : logic_.mainForm().components()) {
    if (!c.isMenuItem()) continue;
    QAction* a = menu_->addAction(QString());
    a->setObjectName(QString::fromStdString(c.name));
    if (c.caption == "-") {
      a->setSeparator(true);
    } else {
      a->setCheckable(c.name == "PM_TriAuto" || c.name.rfind("PM_Type", 0) == 0);
    }
    actions_.emplace(c.name, a);
  }
}

void TEcrOrvella::applyMenu() {
  for (const auto& [name, a] : actions_) {
    const Component& c = logic_.mainForm()[name];
    if (a->isVisible() != c.visible) a->setVisible(c.visible);
    // An item whose caption is "-" is a separator; a language file may give
    // a separator a caption, which makes it an item.
    const bool separator = c.caption == "-";
    if (a->isSeparator() != separator) a->setSeparator(separator);
    if (separator) continue;
    const QString caption = FromAnsi(c.caption);
    if (a->text() != caption) a->setText(caption);
    if (a->isCheckable() && a->isChecked() != c.checked) a->setChecked(c.checked);
  }
}

void TEcrOrvella::applyInstallations() {
  auto* group = view_->get<RadioGroup>(logic_.controls().rgListeXP.name);
  if (!group) return;
  QStringList items;
  for (const std::string& p : logic_.installations()) items.append(FromAnsi(p));
  group->setItems(items);
  group->setItemIndex(logic_.selectedInstallation());
}

void TEcrOrvella::refresh() {
  if (applying_ || tearingDown_) return;
  applying_ = true;
  ++applyCount_;
  const QString title = FromAnsi(logic_.mainForm().caption());
  if (windowTitle() != title) setWindowTitle(title);
  view_->applyState();
  view_->applyGeometry();
  applyInstallations();
  if (auto* pages = view_->get<QTabWidget>(logic_.controls().Pages.name);
      pages && pages->currentIndex() != logic_.pageIndex())
    pages->setCurrentIndex(logic_.pageIndex());
  applyMenu();
  applying_ = false;
}

bool TEcrOrvella::run(const std::function<void()>& handler) {
  if (tearingDown_) return false;
  bool ok = true;
  ++running_;
  try {
    handler();
  } catch (const std::exception& e) {
    ok = false;
    UI().ShowMessage(e.what());
  } catch (...) {
    ok = false;
    UI().ShowMessage(Text("EcrOrvella", "ErreurInattendue"));
  }
  // A handler run from within another (a selection that changed, say)
  // leaves the showing to the outer one.
  if (--running_ == 0) refresh();
  return ok;
}

void TEcrOrvella::formCreate(const std::string& exePath, const std::string& settingsFile) {
  run([&] { logic_.FormCreate(exePath, settingsFile); });
  if (const std::optional<Rect>& r = logic_.readBounds()) setBounds(*r);
  created_ = true;
  custView_->setAcceptFiles(true);
  globView_->setAcceptFiles(true);
}

void TEcrOrvella::startCheck() {
  EcrOrvellaLogic::CheckRequest request;
  if (!run([&] { request = logic_.makeCheckRequest(); })) return;
  if (!checkDialog_) {
    checkDialog_ = new CheckDialog(this);
    checkDialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(checkDialog_, &CheckDialog::reportReady, this,
            [this](std::shared_ptr<const check::Report> report) { takeReport(*report); });
    connect(checkDialog_, &CheckDialog::recheckRequested, this, [this] { startCheck(); });
    connect(checkDialog_, &CheckDialog::packChosen, this,
            [this](const QString& name, const QString& folder) { selectPack(ToAnsi(name), ToAnsi(folder)); });
    connect(checkDialog_, &CheckDialog::activateRequested, this, [this](const QString& folder) {
      const std::string f = ToAnsi(folder);
      repairThenCheck([this, f] { return logic_.activateSceneFolder(f); }, CheckText("PasActivee").arg(folder));
    });
    connect(checkDialog_, &CheckDialog::enableRequested, this, [this](const QString& folder) {
      const std::string f = ToAnsi(folder);
      repairThenCheck([this, f] { return logic_.enablePackInIni(f); }, CheckText("PasReactive").arg(folder));
    });
  }
  checkDialog_->setCanEnable(logic_.ordersSceneryPacks());
  check::Options options;
  options.readLog = true;
  options.inactiveScenes = request.inactiveScenes;
  options.memoryFile = request.memoryFile;
  checkDialog_->start(request.installation, std::move(options));
  checkDialog_->show();
  checkDialog_->raise();
}

CheckDialog* TEcrOrvella::checkDialog() const { return checkDialog_.data(); }

void TEcrOrvella::repairThenCheck(const std::function<bool()>& repair, const QString& failure) {
  bool done = false;
  if (!run([&] { done = repair(); })) return;
  if (!done) {
    UI().ShowMessage(ToAnsi(failure));
    return;
  }
  startCheck();
}

void TEcrOrvella::takeReport(const check::Report& report) {
  if (report.cancelled) return;
  marks_.set(report);
  for (TTreeView* v : {custView_, globView_}) v->sceneryModel()->marksChanged();
}

bool TEcrOrvella::selectPack(const std::string& name, const std::string& folder) {
  Node* node = logic_.nodeOfPack(folder, name);
  if (!node) return false;
  SceneryTree* tree = node->tree();
  run([&] {
    logic_.PagesChange(tree == &logic_.globScn() ? 1 : 0);
    for (Node* p = node->parent(); p; p = p->parent()) tree->setExpanded(p, true);
    tree->select(node);
    logic_.TreeChange(tree);
  });
  if (TTreeView* v = treeView(*tree)) v->scrollTo(v->indexOfNode(node));
  return true;
}

QWidget* TEcrOrvella::control(std::string_view name) const { return view_->widget(name); }

TTreeView* TEcrOrvella::treeView(const SceneryTree& tree) const {
  return &tree == &logic_.custScn() ? custView_ : &tree == &logic_.globScn() ? globView_ : nullptr;
}

QAction* TEcrOrvella::menuAction(std::string_view name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

QMenu* TEcrOrvella::preparePopup() {
  run([&] { logic_.PM_PagePopup(); });
  return menu_;
}

void TEcrOrvella::showPopup(const QPoint& globalPos) {
  preparePopup();
  menu_->popup(globalPos);
}

Rect TEcrOrvella::bounds() { return Rect{x(), y(), width(), height()}; }

void TEcrOrvella::setBounds(const Rect& r) {
  // A size missing from the settings file, or too small to use, opens the
  // window at its designed size; none opens it larger than the screen.
  QSize size(r.width, r.height);
  if (size.width() < designSize_.width() / 2) size.setWidth(designSize_.width());
  if (size.height() < designSize_.height() / 2) size.setHeight(designSize_.height());
  QPoint pos(r.left, r.top);
  // The screen the title bar was on; one restored where no screen shows it
  // any more (a screen since removed) comes back to the primary screen.
  QScreen* screen = nullptr;
  const QRect titleBand(pos, QSize(size.width(), 30));
  for (QScreen* s : QGuiApplication::screens())
    if (!screen && s->availableGeometry().intersects(titleBand)) screen = s;
  if (!screen) {
    screen = QGuiApplication::primaryScreen();
    if (screen) pos = screen->availableGeometry().center() - QPoint(size.width() / 2, size.height() / 2);
  }
  resize(size);
  move(pos);
  keepOnScreen(screen);
  view_->setClientSize(width(), height());
}

void TEcrOrvella::keepOnScreen(QScreen* screen) {
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  // The frame's decorations are known once the window shows.
  const QSize frame = isVisible() ? frameGeometry().size() - size() : QSize(0, 0);
  const QSize inner = size().boundedTo(area.size() - frame);
  const QSize outer = inner + frame;
  const QPoint at(std::clamp(x(), area.left(), area.left() + area.width() - outer.width()),
                  std::clamp(y(), area.top(), area.top() + area.height() - outer.height()));
  if (area.contains(QRect(pos(), outer)) && inner == size()) return;
  if (inner != size()) resize(inner);
  move(at);
}

void TEcrOrvella::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (!e->spontaneous()) keepOnScreen(screen());
}

void TEcrOrvella::closeWindow() { QWidget::close(); }

void TEcrOrvella::showNow() { refresh(); }

void TEcrOrvella::queueCheck() {
  // From the window's queue: the check's window opens once the click's
  // handler has returned and the window shows its state.
  QMetaObject::invokeMethod(
      this, [this] { startCheck(); }, Qt::QueuedConnection);
}

void TEcrOrvella::bringToFront() {
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
}

void TEcrOrvella::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  view_->setClientSize(width(), height());
}

void TEcrOrvella::closeForSessionEnd() {
  for (int guard = 0; guard < 16; ++guard) {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == this) break;
    if (auto* dialog = qobject_cast<QDialog*>(modal))
      dialog->reject();
    else
      modal->close();
    if (QApplication::activeModalWidget() == modal) break;
  }
  // Once the dialogs' own loops have returned.
  QMetaObject::invokeMethod(
      this, [this] { QWidget::close(); }, Qt::QueuedConnection);
}

bool TEcrOrvella::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(e);
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (button && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      if (button->isEnabled()) button->click();
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}

bool TEcrOrvella::focusNextPrevChild(bool next) { return view_->focusNext(next) || QWidget::focusNextPrevChild(next); }

void TEcrOrvella::closeEvent(QCloseEvent* e) {
  // An in-place edit still open ends first and keeps what was typed,
  // however the window is closed.
  for (TTreeView* v : {custView_, globView_})
    if (v) v->finishEditing();
  // Nothing cancels the close; the settings are written once.
  if (created_ && !destroyed_) {
    destroyed_ = true;
    run([&] { logic_.FormDestroy(); });
  }
  e->accept();
}

void TEcrOrvella::contextMenuEvent(QContextMenuEvent* e) { showPopup(e->globalPos()); }

}  // namespace orvella::ui
