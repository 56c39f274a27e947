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
#include <stdexcept>
#include <string_view>

#include "logic/core/ansi.h"
#include "logic/core/interaction.h"
#include "logic/model/linknames.h"
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
  view_ =
      std::make_unique<FormView>(logic_.form, this, [this](Component& c, QWidget* p) { return createControl(c, p); });
  // The design position and client area; the settings file may change both.
  designSize_ = QSize(logic_.form.clientWidth(), logic_.form.clientHeight());
  move(162, 77);
  resize(designSize_);
  // The program's icon, at every size drawn for it: the title bar, the task
  // bar and the window switcher each take the one that fits.
  QIcon icon;
  for (int side : {16, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/%1x%1/orvella.png").arg(side), QSize(side, side));
  setWindowIcon(icon);
  logic_.setHost(this);
  logic_.onChanged = [this] { refresh(); };
  CheckHandlers(logic_.form);
  connectControls();
  buildMenu();
  // F5 reads both trees' scenery folders again.
  auto* reload = new QShortcut(QKeySequence(Qt::Key_F5), this);
  reload->setContext(Qt::WindowShortcut);
  connect(reload, &QShortcut::activated, this, [this] { run([this] { logic_.RafraichitTout(); }); });
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
  logic_.onChanged = nullptr;
  logic_.setHost(nullptr);
  // The widgets go first: the tree views' models let go of the trees they
  // observe while the trees still exist.
  const auto children = findChildren<QObject*>(QString(), Qt::FindDirectChildrenOnly);
  for (QObject* child : children) delete child;
}

QWidget* TEcrOrvella::createControl(Component& c, QWidget* parent) {
  switch (c.kind) {
    case ComponentKind::TreeView:
      if (c.name == logic_.CustScn.name()) return custView_ = new TTreeView(logic_.CustScn, parent);
      if (c.name == logic_.GlobScn.name()) return globView_ = new TTreeView(logic_.GlobScn, parent);
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

namespace {

using Handler = void (EcrOrvellaLogic::*)();

// The handlers of the window's buttons, check boxes and menu items, by name.
const std::map<std::string, Handler, std::less<>>& Handlers() {
  static const std::map<std::string, Handler, std::less<>> handlers = {
      {"btnAjouteXPlane", &EcrOrvellaLogic::btnAjouteXPlaneClick},
      {"btnOteXPlane", &EcrOrvellaLogic::btnOteXPlaneClick},
      {"btnQuitter", &EcrOrvellaLogic::btnQuitterClick},
      {"btnDeplH", &EcrOrvellaLogic::btnDeplHClick},
      {"btnDeplB", &EcrOrvellaLogic::btnDeplBClick},
      {"btnNouvGroupe", &EcrOrvellaLogic::btnNouvGroupeClick},
      {"btnSuppGroupe", &EcrOrvellaLogic::btnSuppGroupeClick},
      {"btnAjoutScene", &EcrOrvellaLogic::btnAjoutSceneClick},
      {"btnNouvSousGroupe", &EcrOrvellaLogic::btnNouvSousGroupeClick},
      {"cbTriAuto", &EcrOrvellaLogic::cbTriAutoClick},
      {"btnTrier", &EcrOrvellaLogic::btnTrierClick},
      {"btnAjoutOrphelins", &EcrOrvellaLogic::btnAjoutOrphelinsClick},
      {"btnActiver", &EcrOrvellaLogic::btnActiverClick},
      {"btnDesactiver", &EcrOrvellaLogic::btnDesactiverClick},
      // The popup menu runs the handlers of the buttons.
      {"PM_Activer", &EcrOrvellaLogic::btnActiverClick},
      {"PM_Desactiver", &EcrOrvellaLogic::btnDesactiverClick},
      {"PM_NouvGroupe", &EcrOrvellaLogic::btnNouvGroupeClick},
      {"PM_NouvSousGroupe", &EcrOrvellaLogic::btnNouvSousGroupeClick},
      {"PM_Supprime", &EcrOrvellaLogic::btnSuppGroupeClick},
      {"PM_Trier", &EcrOrvellaLogic::btnTrierClick},
      {"PM_TriAuto", &EcrOrvellaLogic::cbTriAutoClick},
      {"PM_DeplH", &EcrOrvellaLogic::btnDeplHClick},
      {"PM_DeplB", &EcrOrvellaLogic::btnDeplBClick},
      {"PM_AjoutScene", &EcrOrvellaLogic::btnAjoutSceneClick},
      {"PM_AjoutOrphelins", &EcrOrvellaLogic::btnAjoutOrphelinsClick},
      {"PM_BtnLat", &EcrOrvellaLogic::PM_BtnLatClick},
      // The scenery order.
      {"cbEffaceIni", &EcrOrvellaLogic::cbEffaceIniClick},
      {"cbOrdonneIni", &EcrOrvellaLogic::cbOrdonneIniClick},
      {"PM_ApercuOrdre", &EcrOrvellaLogic::PM_ApercuOrdreClick},
  };
  return handlers;
}

// Both launch buttons share one handler, told which button ran it.
constexpr const char* kLaunchButtons[] = {"btnOuvrirXP", "btnOuvrirXPQuitter"};
// The scenery check runs in the window, off its thread.
constexpr const char* kCheckCommands[] = {"btnVerifier", "PM_Verifier"};

bool IsTypeItem(std::string_view name) {
  for (const auto& [item, kind] : kTypeItems)
    if (name == item) return true;
  return false;
}

bool IsLaunchButton(std::string_view name) {
  for (const char* b : kLaunchButtons)
    if (name == b) return true;
  return false;
}

bool IsCheckCommand(std::string_view name) {
  for (const char* c : kCheckCommands)
    if (name == c) return true;
  return false;
}

}  // namespace

void CheckHandlers(const Form& form) {
  auto need = [&](std::string_view name) {
    if (!form.find(name))
      throw std::logic_error("handler for " + std::string(name) + ", which " + form.name() + " lacks");
  };
  for (const auto& [name, fn] : Handlers()) need(name);
  for (const auto& [item, kind] : kTypeItems) need(item);
  for (const char* b : kLaunchButtons) need(b);
  for (const char* c : kCheckCommands) need(c);
  for (const Component& c : form.components()) {
    const bool clickable = c.kind == ComponentKind::Button || c.kind == ComponentKind::SpeedButton ||
                           c.kind == ComponentKind::CheckBox || (c.isMenuItem() && c.caption != "-");
    if (clickable && !Handlers().contains(c.name) && !IsTypeItem(c.name) && !IsLaunchButton(c.name) &&
        !IsCheckCommand(c.name))
      throw std::logic_error(form.name() + ": no handler for " + c.name);
  }
}

std::function<void()> TEcrOrvella::handlerOf(const std::string& name) {
  EcrOrvellaLogic& l = logic_;
  // The kind items share one handler, told which item ran it.
  if (IsTypeItem(name)) return [&l, name] { l.PM_TypeClick(name); };
  if (IsLaunchButton(name)) return [&l, name] { l.btnOuvrirXPQuitterClick(name); };
  // Run from the window's queue: the check's window opens once the click's
  // handler has returned and the window shows its state.
  if (IsCheckCommand(name))
    return [this] {
      QMetaObject::invokeMethod(
          this, [this] { startCheck(); }, Qt::QueuedConnection);
    };
  auto it = Handlers().find(name);
  if (it == Handlers().end()) return {};
  return [&l, fn = it->second] { (l.*fn)(); };
}

void TEcrOrvella::connectControls() {
  for (const std::string& name : view_->names()) {
    const Component& c = logic_.form[name];
    QWidget* w = view_->widget(name);
    const std::function<void()> handler = handlerOf(name);
    switch (c.kind) {
      case ComponentKind::Button:
      case ComponentKind::SpeedButton:
        // Return clicks a focused button, as Space does.
        w->installEventFilter(this);
        if (handler)
          connect(qobject_cast<QAbstractButton*>(w), &QAbstractButton::clicked, this,
                  [this, handler] { run(handler); });
        break;
      case ComponentKind::CheckBox:
        // The box shows the click at once; the Form learns it before the
        // handler (if any) runs.
        connect(qobject_cast<QAbstractButton*>(w), &QAbstractButton::clicked, this, [this, name, handler](bool on) {
          run([&] {
            logic_.form[name].checked = on;
            if (handler) handler();
          });
        });
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
      run([&] { logic_.DropFiles(tree, target, names); });
    };
    // Delete removes the selection as the removal button does, when it can.
    v->onDeleteKey = [this] {
      if (logic_.ctl.btnSuppGroupe.enabled) run([this] { logic_.btnSuppGroupeClick(); });
    };
  }
  // A scene's tooltip tells its kind; a failure to read it shows none.
  for (TTreeView* v : {custView_, globView_}) {
    v->sceneryModel()->toolTipOf = [this](const Node* node) {
      try {
        return logic_.NodeHint(node);
      } catch (const std::exception&) {
        return std::string();
      }
    };
    // What the last scenery check found for the node's pack.
    v->sceneryModel()->problemsOf = [this](const Node* node) {
      if (marks_.empty()) return QStringList();
      const std::string folder = logic_.PackFolderOf(node);
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
  for (const Component& c : logic_.form.components()) {
    if (!c.isMenuItem()) continue;
    QAction* a = menu_->addAction(QString());
    a->setObjectName(QString::fromStdString(c.name));
    if (c.caption == "-") {
      a->setSeparator(true);
    } else {
      a->setCheckable(c.name == "PM_TriAuto" || c.name.rfind("PM_Type", 0) == 0);
      if (std::function<void()> handler = handlerOf(c.name))
        connect(a, &QAction::triggered, this, [this, handler] { run(handler); });
    }
    actions_.emplace(c.name, a);
  }
}

void TEcrOrvella::applyMenu() {
  for (const auto& [name, a] : actions_) {
    const Component& c = logic_.form[name];
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
  auto* group = view_->get<RadioGroup>(logic_.ctl.rgListeXP.name);
  if (!group) return;
  QStringList items;
  for (const std::string& p : logic_.installations) items.append(FromAnsi(p));
  group->setItems(items);
  group->setItemIndex(logic_.selectedInstallation());
}

void TEcrOrvella::refresh() {
  if (applying_ || tearingDown_) return;
  applying_ = true;
  const QString title = FromAnsi(logic_.form.caption());
  if (windowTitle() != title) setWindowTitle(title);
  view_->applyState();
  view_->applyGeometry();
  applyInstallations();
  if (auto* pages = view_->get<QTabWidget>(logic_.ctl.Pages.name); pages && pages->currentIndex() != logic_.pageIndex)
    pages->setCurrentIndex(logic_.pageIndex);
  applyMenu();
  applying_ = false;
}

bool TEcrOrvella::run(const std::function<void()>& handler) {
  if (tearingDown_) return false;
  bool ok = true;
  try {
    handler();
  } catch (const std::exception& e) {
    ok = false;
    UI().ShowMessage(e.what());
  } catch (...) {
    ok = false;
    UI().ShowMessage(Ansi("Erreur inattendue"));
  }
  refresh();
  return ok;
}

void TEcrOrvella::formCreate(const std::string& exePath, const std::string& settingsFile) {
  run([&] { logic_.FormCreate(exePath, settingsFile); });
  created_ = true;
  custView_->setAcceptFiles(true);
  globView_->setAcceptFiles(true);
}

void TEcrOrvella::startCheck() {
  EcrOrvellaLogic::DemandeVerif request;
  if (!run([&] { request = logic_.DemandeVerification(); })) return;
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
      repairThenCheck([this, f] { return logic_.ActiveSceneDossier(f); }, CheckText("PasActivee").arg(folder));
    });
    connect(checkDialog_, &CheckDialog::enableRequested, this, [this](const QString& folder) {
      const std::string f = ToAnsi(folder);
      repairThenCheck([this, f] { return logic_.ReactivePackIni(f); }, CheckText("PasReactive").arg(folder));
    });
  }
  checkDialog_->setCanEnable(logic_.ordonneIni());
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
  Node* node = logic_.NoeudDuPack(folder, name);
  if (!node) return false;
  SceneryTree* tree = node->tree();
  run([&] {
    logic_.pageIndex = tree == &logic_.GlobScn ? 1 : 0;
    for (Node* p = node->parent(); p; p = p->parent()) tree->setExpanded(p, true);
    tree->select(node);
    logic_.TreeChange(tree);
  });
  if (TTreeView* v = treeView(*tree)) v->scrollTo(v->indexOfNode(node));
  return true;
}

QWidget* TEcrOrvella::control(std::string_view name) const { return view_->widget(name); }

TTreeView* TEcrOrvella::treeView(const SceneryTree& tree) const {
  return &tree == &logic_.CustScn ? custView_ : &tree == &logic_.GlobScn ? globView_ : nullptr;
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
  refresh();
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

void TEcrOrvella::close() { QWidget::close(); }

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
