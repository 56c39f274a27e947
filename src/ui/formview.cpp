#include "ui/formview.h"

#include <algorithm>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "qtansi/ansiqt.h"
#include "ui/bevel.h"
#include "ui/groupbox.h"
#include "ui/radiogroup.h"
#include "ui/windowfont.h"

namespace orvella::ui {

// --- FormView ----------------------------------------------------------------

FormView::FormView(Form& form, QWidget* client, const Factory& factory) : form_(form), client_(client) {
  client_->setObjectName(QString::fromStdString(form.name()));
  client_->setFont(WindowFont());
  for (Component& c : form_.components()) {
    if (!c.isControl()) continue;
    QWidget* parent = parentFor(c);
    QWidget* w = factory ? factory(c, parent) : nullptr;
    if (!w) w = create(c, parent);
    w->setObjectName(QString::fromStdString(c.name));
    if (c.kind == ComponentKind::TabSheet) {
      if (auto* tabs = qobject_cast<QTabWidget*>(parent)) tabs->addTab(w, FromAnsi(c.caption));
      auto* layout = new QVBoxLayout(w);
      layout->setContentsMargins(0, 0, 0, 0);
      layout->setSpacing(0);
    } else if (placedByParent(c)) {
      parent->layout()->addWidget(w);
    }
    byName_.emplace(c.name, w);
    names_.push_back(c.name);
  }
  applyGeometry();
  applyState();
}

void FormView::appendTabOrder(const std::string& parent, std::vector<QWidget*>& out) const {
  std::vector<const Component*> children;
  for (const Component& c : form_.components())
    if (c.isControl() && c.parent == parent && widget(c.name)) children.push_back(&c);
  // Tab sheets keep their page order; everything else reads as rows, a
  // control whose top lies within a few pixels of the row's first joining
  // that row.
  constexpr int kRowBand = 12;
  std::stable_sort(children.begin(), children.end(),
                   [](const Component* a, const Component* b) { return a->bounds.top < b->bounds.top; });
  std::vector<std::vector<const Component*>> rows;
  for (const Component* c : children) {
    if (rows.empty() || c->kind == ComponentKind::TabSheet ||
        c->bounds.top >= rows.back().front()->bounds.top + kRowBand)
      rows.emplace_back();
    rows.back().push_back(c);
  }
  for (auto& row : rows) {
    std::stable_sort(row.begin(), row.end(),
                     [](const Component* a, const Component* b) { return a->bounds.left < b->bounds.left; });
    for (const Component* c : row) {
      QWidget* w = widget(c->name);
      if (c->kind == ComponentKind::RadioGroup) {
        // Tab enters a radio group at its chosen item; the arrows move inside.
        const QList<QAbstractButton*> items = w->findChildren<QAbstractButton*>();
        auto checked = std::find_if(items.begin(), items.end(), [](QAbstractButton* b) { return b->isChecked(); });
        if (checked != items.end())
          out.push_back(*checked);
        else if (!items.isEmpty())
          out.push_back(items.front());
        continue;
      }
      if (w->focusPolicy() & Qt::TabFocus) out.push_back(w);
      appendTabOrder(c->name, out);
    }
  }
}

bool FormView::focusNext(bool forward) const {
  const std::vector<QWidget*> order = tabOrder();
  const int n = static_cast<int>(order.size());
  if (n == 0) return false;
  // The control that holds the focus, or the one whose part holds it (the
  // tab bar of a page control, the editor inside a tree).
  int at = forward ? -1 : 0;
  for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
    auto it = std::find(order.begin(), order.end(), w);
    if (it != order.end()) {
      at = static_cast<int>(it - order.begin());
      break;
    }
  }
  for (int step = 1; step <= n; ++step) {
    QWidget* w = order[static_cast<size_t>(((at + (forward ? step : -step)) % n + n) % n)];
    if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
      w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return true;
    }
  }
  return false;
}

std::vector<QWidget*> FormView::tabOrder() const {
  std::vector<QWidget*> out;
  appendTabOrder({}, out);
  return out;
}

QWidget* FormView::parentFor(const Component& c) const {
  if (c.parent.empty()) return client_;
  QWidget* p = widget(c.parent);
  return p ? p : client_;
}

bool FormView::placedByParent(const Component& c) const {
  if (c.kind == ComponentKind::TabSheet) return true;
  if (c.parent.empty()) return false;
  const Component* parent = form_.find(c.parent);
  return parent && parent->kind == ComponentKind::TabSheet;
}

QWidget* FormView::create(Component& c, QWidget* parent) {
  switch (c.kind) {
    case ComponentKind::Bevel:
      return new Bevel(Bevel::Shape::Frame, parent);
    case ComponentKind::Button:
      return new QPushButton(parent);
    case ComponentKind::SpeedButton: {
      auto* b = new QToolButton(parent);
      b->setToolButtonStyle(Qt::ToolButtonIconOnly);
      return b;
    }
    case ComponentKind::CheckBox:
      return new QCheckBox(parent);
    case ComponentKind::RadioGroup:
      return new RadioGroup(2, parent);
    case ComponentKind::PageControl:
      return new QTabWidget(parent);
    case ComponentKind::TabSheet:
      return new QWidget(parent);
    case ComponentKind::TreeView:
      return new QTreeView(parent);
    case ComponentKind::Panel: {
      auto* f = new QFrame(parent);
      f->setFrameShape(QFrame::NoFrame);
      return f;
    }
    case ComponentKind::GroupBox:
      return new GroupBox(parent);
    case ComponentKind::Label: {
      auto* l = new QLabel(parent);
      if (c.bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
      }
      return l;
    }
    case ComponentKind::ListBox:
      return new QListWidget(parent);
    case ComponentKind::MenuItem:
      break;
  }
  return new QWidget(parent);
}

QWidget* FormView::widget(std::string_view name) const {
  auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : it->second;
}

void FormView::applyGeometry() {
  for (const std::string& name : names_) {
    const Component& c = form_[name];
    if (placedByParent(c)) continue;
    QWidget* w = widget(name);
    const Rect& b = c.bounds;
    if (c.kind == ComponentKind::Label && b.width == 0 && b.height == 0) {
      // A label sizes itself to its text.
      w->adjustSize();
      w->move(b.left, b.top);
      continue;
    }
    const QRect r(b.left, b.top, b.width, b.height);
    if (w->geometry() != r) w->setGeometry(r);
  }
}

void FormView::applyState() {
  for (const std::string& name : names_) {
    const Component& c = form_[name];
    QWidget* w = widget(name);
    const QString caption = FromAnsi(c.caption);
    switch (c.kind) {
      case ComponentKind::Button:
      case ComponentKind::SpeedButton:
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->text() != caption) b->setText(caption);
        // A speed button shows its image, and beside it a text when it has one.
        if (auto* t = qobject_cast<QToolButton*>(w)) {
          const Qt::ToolButtonStyle style = caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon;
          if (t->toolButtonStyle() != style) t->setToolButtonStyle(style);
        }
        break;
      case ComponentKind::CheckBox:
        if (auto* b = qobject_cast<QCheckBox*>(w)) {
          if (b->text() != caption) b->setText(caption);
          if (b->isChecked() != c.checked) b->setChecked(c.checked);
        }
        break;
      case ComponentKind::RadioGroup:
      case ComponentKind::GroupBox:
        if (auto* g = qobject_cast<QGroupBox*>(w); g && g->title() != caption) g->setTitle(caption);
        break;
      case ComponentKind::TabSheet:
        if (auto* tabs = qobject_cast<QTabWidget*>(parentFor(c))) {
          const int i = tabs->indexOf(w);
          if (i >= 0 && tabs->tabText(i) != caption) tabs->setTabText(i, caption);
        }
        break;
      case ComponentKind::Label:
        if (auto* l = qobject_cast<QLabel*>(w); l && l->text() != caption) {
          l->setText(caption);
          if (c.bounds.width == 0 && c.bounds.height == 0) l->adjustSize();
        }
        break;
      default:
        break;
    }
    // The widget's own flag: isEnabled() also answers for its parents.
    if (w->testAttribute(Qt::WA_Disabled) == c.enabled) w->setEnabled(c.enabled);
    // A tab sheet's visibility is its page control's business.
    if (c.kind != ComponentKind::TabSheet && w->isHidden() == c.visible) w->setVisible(c.visible);
    const QString hint = FromAnsi(c.hint);
    if (w->toolTip() != hint) w->setToolTip(hint);
  }
}

void FormView::setClientSize(int width, int height) {
  if (width == form_.clientWidth() && height == form_.clientHeight()) return;
  form_.setClientSize(width, height);
  applyGeometry();
}

void SetUpDialog(QDialog& dialog, const Form& form) {
  dialog.setWindowTitle(FromAnsi(form.caption()));
  dialog.setSizeGripEnabled(false);
  dialog.resize(form.clientWidth(), form.clientHeight());
}

}  // namespace orvella::ui
