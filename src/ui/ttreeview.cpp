#include "ui/ttreeview.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include <algorithm>

#include "qtansi/ansiqt.h"
#include "ui/images.h"
#include "ui/scenerytreemodel.h"

namespace orvella::ui {

QString TTreeView::nodeMimeType() { return QStringLiteral("application/x-orvella-node"); }

QByteArray TTreeView::dragPayload() const {
  return QByteArray::number(QCoreApplication::applicationPid()) + ':' + QByteArray::fromStdString(tree_.name());
}

TTreeView::TTreeView(SceneryTree& tree, QWidget* parent)
    : QTreeView(parent), tree_(tree), model_(new SceneryTreeModel(tree, this)) {
  setModel(model_);
  setHeaderHidden(true);
  setIndentation(19);
  setRootIsDecorated(true);
  setUniformRowHeights(true);
  setIconSize(QSize(kStateImageSize, kStateImageSize));
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDropIndicatorShown(false);
  setAcceptDrops(false);
  setAutoScroll(true);
  setExpandsOnDoubleClick(true);
  header()->setStretchLastSection(true);

  model_->onEdited = [this](Node* node, const std::string& text) {
    if (onEdited)
      onEdited(node, text);
    else
      tree_.setText(node, text);
  };
  connect(model_, &SceneryTreeModel::treeSelectionChanged, this, &TTreeView::followTreeSelection);
  connect(model_, &SceneryTreeModel::nodeExpandedChanged, this, &TTreeView::followTreeExpansion);
  connect(model_, &SceneryTreeModel::updatesSuspended, this, [this](bool suspended) { setUpdatesEnabled(!suspended); });
  connect(model_, &QAbstractItemModel::rowsInserted, this, &TTreeView::restoreExpansion);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TTreeView::followViewSelection);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &TTreeView::followViewSelection);
  connect(this, &QTreeView::expanded, this, [this](const QModelIndex& i) { followViewExpansion(i, true); });
  connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& i) { followViewExpansion(i, false); });
  // A tree that already holds nodes shows them as the tree has them.
  if (tree_.topCount() > 0) restoreExpansion({}, 0, tree_.topCount() - 1);
  followTreeSelection();
}

Node* TTreeView::nodeAt(const QPoint& pos) const { return model_->nodeFromIndex(indexAt(pos)); }

QModelIndex TTreeView::indexOfNode(const Node* node) const { return model_->indexOf(node); }

QRect TTreeView::nodeRect(const Node* node) const { return visualRect(indexOfNode(node)); }

void TTreeView::setAcceptFiles(bool accept) {
  acceptFiles_ = accept;
  setAcceptDrops(accept);
  viewport()->setAcceptDrops(accept);
}

// --- Selection ---------------------------------------------------------------

void TTreeView::followTreeSelection() {
  if (syncingSelection_) return;
  syncingSelection_ = true;
  QItemSelection selection;
  for (Node* n : tree_.selection()) {
    const QModelIndex i = model_->indexOf(n);
    selection.select(i, i);
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  if (Node* focused = tree_.selected()) {
    const QModelIndex i = model_->indexOf(focused);
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::NoUpdate);
    if (updatesEnabled()) scrollTo(i);
  } else {
    selectionModel()->clearCurrentIndex();
  }
  syncingSelection_ = false;
}

void TTreeView::followViewSelection() {
  if (syncingSelection_) return;
  std::vector<Node*> inView;
  for (const QModelIndex& i : selectionModel()->selectedRows()) inView.push_back(model_->nodeFromIndex(i));
  auto contains = [](const std::vector<Node*>& v, Node* n) { return std::find(v.begin(), v.end(), n) != v.end(); };

  // The tree keeps its nodes in the order they were selected: the ones
  // still selected keep their places, the new ones follow, the view's
  // current node last.
  Node* current = model_->nodeFromIndex(selectionModel()->currentIndex());
  if (current && inView.empty()) {
    // The keyboard moved the focus onto a node while nothing was selected:
    // the focused node is always a selected one, as on the desktop.
    const QModelIndex i = selectionModel()->currentIndex();
    selectionModel()->select(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return;  // the selection change comes back here
  }
  if (!contains(inView, current)) current = nullptr;
  std::vector<Node*> order;
  for (Node* n : tree_.selection())
    if (contains(inView, n)) order.push_back(n);
  for (Node* n : inView)
    if (n != current && !contains(order, n)) order.push_back(n);
  if (current && !contains(order, current)) order.push_back(current);
  Node* focused = current ? current : (order.empty() ? nullptr : order.back());

  if (order == tree_.selection() && focused == tree_.selected()) return;
  syncingSelection_ = true;
  tree_.setSelection(order, focused);
  syncingSelection_ = false;
  if (onSelectionChanged) onSelectionChanged();
}

// --- Expanded branches ---------------------------------------------------------

void TTreeView::followTreeExpansion(const QModelIndex& index, bool expanded) {
  if (syncingExpansion_ || !index.isValid()) return;
  syncingExpansion_ = true;
  setExpanded(index, expanded);
  syncingExpansion_ = false;
}

void TTreeView::followViewExpansion(const QModelIndex& index, bool expanded) {
  if (syncingExpansion_) return;
  Node* n = model_->nodeFromIndex(index);
  if (!n) return;
  syncingExpansion_ = true;
  tree_.setExpanded(n, expanded);
  syncingExpansion_ = false;
}

void TTreeView::restoreExpansion(const QModelIndex& parent, int first, int last) {
  // Inserted nodes that the tree holds expanded open in the view too.
  syncingExpansion_ = true;
  std::function<void(const QModelIndex&)> open = [&](const QModelIndex& i) {
    Node* n = model_->nodeFromIndex(i);
    if (!n) return;
    if (n->expanded()) setExpanded(i, true);
    for (int r = 0; r < n->childCount(); ++r) open(model_->index(r, 0, i));
  };
  for (int r = first; r <= last; ++r) open(model_->index(r, 0, parent));
  syncingExpansion_ = false;
}

// --- Mouse ---------------------------------------------------------------------

void TTreeView::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::RightButton) {
    // A right click never changes the selection by itself; the tree that
    // asks for it selects the node under the mouse.
    if (onRightButtonDown) onRightButtonDown(nodeAt(e->position().toPoint()));
    e->accept();
    return;
  }
  if (e->button() == Qt::LeftButton && !indexAt(e->position().toPoint()).isValid()) {
    // A click below the last node leaves the selection as it is.
    setFocus(Qt::MouseFocusReason);
    e->accept();
    return;
  }
  QTreeView::mousePressEvent(e);
}

void TTreeView::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::RightButton) {
    e->accept();
    return;
  }
  // A click on a selected node edits its text only when it is the one
  // selected node and no modifier is held: a ctrl-click takes the node out
  // of the selection and a plain click on one of several selected nodes
  // keeps that one alone, as in every tree of the desktop.
  const bool editOnClick =
      !(e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) && selectionModel()->selectedRows().size() <= 1;
  const EditTriggers triggers = editTriggers();
  if (!editOnClick) setEditTriggers(triggers & ~SelectedClicked);
  QTreeView::mouseReleaseEvent(e);
  if (!editOnClick) setEditTriggers(triggers);
}

// --- Keyboard -------------------------------------------------------------------

void TTreeView::focusInEvent(QFocusEvent* e) {
  const bool hadCurrent = currentIndex().isValid();
  syncingSelection_ = true;
  QTreeView::focusInEvent(e);
  syncingSelection_ = false;
  // The view puts its focus on the first row when it gets the focus with
  // none; with nothing selected that would be a focused node nobody chose
  // and no command could act on. The first key press focuses and selects.
  if (!hadCurrent && currentIndex().isValid() && !selectionModel()->hasSelection()) {
    syncingSelection_ = true;
    selectionModel()->clearCurrentIndex();
    syncingSelection_ = false;
  }
}

void TTreeView::keyPressEvent(QKeyEvent* e) {
  const bool editing = state() == EditingState;
  if (!editing && (e->key() == Qt::Key_Menu || (e->key() == Qt::Key_F10 && e->modifiers() == Qt::ShiftModifier))) {
    openContextMenuAtFocus();
    e->accept();
    return;
  }
  if (!editing && e->key() == Qt::Key_Delete && e->modifiers() == Qt::NoModifier) {
    if (onDeleteKey) onDeleteKey();
    e->accept();
    return;
  }
  QTreeView::keyPressEvent(e);
}

void TTreeView::finishEditing() {
  if (state() != EditingState) return;
  if (QWidget* editor = indexWidget(currentIndex())) {
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
  }
}

void TTreeView::openContextMenuAtFocus() {
  QPoint at(4, 4);
  if (Node* focused = tree_.selected()) {
    const QRect r = nodeRect(focused);
    if (r.isValid()) at = QPoint(r.left() + 16, r.center().y());
  }
  QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, viewport()->mapToGlobal(at));
  QCoreApplication::sendEvent(viewport(), &menu);
}

// --- Drag and drop ---------------------------------------------------------------

void TTreeView::startDrag(Qt::DropActions) {
  // Only the selected node travels, whatever else is selected.
  Node* dragged = tree_.selected();
  if (!dragged) return;
  auto* mime = new QMimeData;
  mime->setData(nodeMimeType(), dragPayload());
  auto* drag = new QDrag(this);
  drag->setMimeData(mime);
  drag->setPixmap(StateImage(dragged->state()));
  drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
  setDropTarget({});
}

TTreeView::DragKind TTreeView::dragKind(const QDropEvent* e) const {
  const QMimeData* mime = e->mimeData();
  if (!mime) return DragKind::None;
  // A node comes only from a tree of this process, never from another
  // running copy of the program: the drop acts on this process's selection.
  if (mime->hasFormat(nodeMimeType()))
    return mime->data(nodeMimeType()).startsWith(dragPayload().split(':').front() + ':') ? DragKind::Node
                                                                                         : DragKind::None;
  if (acceptFiles_ && mime->hasUrls()) {
    const QList<QUrl> urls = mime->urls();
    if (std::any_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); })) return DragKind::Files;
  }
  return DragKind::None;
}

void TTreeView::setDropTarget(const QModelIndex& index) {
  if (QModelIndex(dropTarget_) == index) return;
  const QModelIndex old = dropTarget_;
  dropTarget_ = index;
  if (old.isValid()) viewport()->update(visualRect(old));
  if (index.isValid()) viewport()->update(visualRect(index));
}

void TTreeView::dragEnterEvent(QDragEnterEvent* e) {
  // The drag moves that follow say where it may drop.
  if (dragKind(e) == DragKind::None)
    e->ignore();
  else
    e->accept();
}

void TTreeView::dragMoveEvent(QDragMoveEvent* e) {
  const DragKind kind = dragKind(e);
  if (kind == DragKind::None) {
    e->ignore();
    return;
  }
  // The base class scrolls the view when the pointer nears an edge.
  QTreeView::dragMoveEvent(e);
  const QPoint pos = e->position().toPoint();
  if (kind == DragKind::Files) {
    // Files are copied, never moved: the desktop keeps them.
    e->setDropAction(Qt::CopyAction);
    e->accept();
    setDropTarget(indexAt(pos));
    return;
  }
  const bool ok = onDragOver && onDragOver(nodeAt(pos));
  if (ok) {
    e->setDropAction(Qt::MoveAction);
    e->accept();
    setDropTarget(indexAt(pos));
  } else {
    e->ignore();
    setDropTarget({});
  }
}

void TTreeView::dragLeaveEvent(QDragLeaveEvent* e) {
  QTreeView::dragLeaveEvent(e);
  setDropTarget({});
}

void TTreeView::dropEvent(QDropEvent* e) {
  setDropTarget({});
  stopAutoScroll();
  setState(NoState);
  const DragKind kind = dragKind(e);
  const QPoint pos = e->position().toPoint();
  if (kind == DragKind::None || (kind == DragKind::Node && !(onDragOver && onDragOver(nodeAt(pos))))) {
    e->ignore();
    return;
  }
  // The drop is handled once the drag has ended, as the desktop delivers
  // it: the copy-or-move question and the folder intake must not run
  // inside the drag's own event loop.
  const QPersistentModelIndex target(indexAt(pos));
  const bool onNode = target.isValid();
  if (kind == DragKind::Files) {
    std::vector<std::string> names;
    for (const QUrl& url : e->mimeData()->urls()) {
      if (!url.isLocalFile()) continue;
      QString local = url.toLocalFile();
      if (local.size() > 1 && local.endsWith(QLatin1Char('/'))) local.chop(1);
      const std::string name = WindowsPathFromHost(local);
      if (!name.empty()) names.push_back(name);
    }
    e->setDropAction(Qt::CopyAction);
    e->accept();
    QMetaObject::invokeMethod(
        this,
        [this, target, onNode, names] {
          if (onNode && !target.isValid()) return;  // the node went away meanwhile
          if (onDropFiles) onDropFiles(model_->nodeFromIndex(target), names);
        },
        Qt::QueuedConnection);
    return;
  }
  e->setDropAction(Qt::MoveAction);
  e->accept();
  QMetaObject::invokeMethod(
      this,
      [this, target, onNode] {
        if (onNode && !target.isValid()) return;
        if (onDragDrop) onDragDrop(model_->nodeFromIndex(target));
      },
      Qt::QueuedConnection);
}

void TTreeView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  if (dropTarget_.isValid() && index == QModelIndex(dropTarget_)) {
    // The group under a drag shows as selected, as a drop target does.
    QStyleOptionViewItem highlighted(option);
    highlighted.state |= QStyle::State_Selected;
    QTreeView::drawRow(painter, highlighted, index);
    return;
  }
  QTreeView::drawRow(painter, option, index);
}

}  // namespace orvella::ui
