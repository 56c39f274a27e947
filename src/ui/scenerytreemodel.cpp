#include "ui/scenerytreemodel.h"

#include <QPainter>
#include <QPainterPath>

#include "qtansi/ansiqt.h"
#include "ui/images.h"

namespace orvella::ui {

SceneryTreeModel::SceneryTreeModel(SceneryTree& tree, QObject* parent) : QAbstractItemModel(parent), tree_(tree) {
  tree_.setObserver(this);
}

SceneryTreeModel::~SceneryTreeModel() {
  if (tree_.observer() == this) tree_.setObserver(nullptr);
}

Node* SceneryTreeModel::nodeFromIndex(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return nullptr;
  return static_cast<Node*>(index.internalPointer());
}

QModelIndex SceneryTreeModel::indexOf(const Node* node) const {
  if (!node || node == tree_.root()) return {};
  return createIndex(node->index(), 0, const_cast<Node*>(node));
}

QModelIndex SceneryTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0 || (parent.isValid() && parent.column() != 0)) return {};
  const Node* p = nodeFromIndex(parent);
  if (row >= tree_.countOf(p)) return {};
  return createIndex(row, column, tree_.childOf(p, row));
}

QModelIndex SceneryTreeModel::parent(const QModelIndex& child) const {
  const Node* n = nodeFromIndex(child);
  return n ? indexOf(n->parent()) : QModelIndex();
}

int SceneryTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return 0;
  return tree_.countOf(nodeFromIndex(parent));
}

int SceneryTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant SceneryTreeModel::data(const QModelIndex& index, int role) const {
  const Node* n = nodeFromIndex(index);
  if (!n) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return FromAnsi(n->text());
    case Qt::DecorationRole: {
      const bool marked = problemsOf && !problemsOf(n).isEmpty();
      const QIcon icon = marked ? markedStateIcon(n->state()) : StateIcon(n->state());
      return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case Qt::ToolTipRole: {
      QStringList lines;
      if (toolTipOf)
        if (const std::string hint = toolTipOf(n); !hint.empty()) lines << FromAnsi(hint);
      if (problemsOf) lines += problemsOf(n);
      return lines.isEmpty() ? QVariant() : QVariant(lines.join(QLatin1Char('\n')));
    }
    default:
      return {};
  }
}

bool SceneryTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  Node* n = nodeFromIndex(index);
  if (!n || role != Qt::EditRole) return false;
  const std::string text = ToAnsi(value.toString());
  if (onEdited)
    onEdited(n, text);
  else
    tree_.setText(n, text);
  return true;
}

Qt::ItemFlags SceneryTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
}

QIcon SceneryTreeModel::markedStateIcon(int state) {
  static QIcon cache[kStateImageCount];
  if (state < 0 || state >= kStateImageCount) return {};
  if (cache[state].isNull()) {
    QPixmap p = StateImage(state);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing, true);
    // A small amber triangle with a dark "!", over the image's lower left.
    QPainterPath triangle;
    triangle.moveTo(0.5, 15.5);
    triangle.lineTo(4.5, 7.5);
    triangle.lineTo(8.5, 15.5);
    triangle.closeSubpath();
    painter.setPen(QPen(QColor(0x70, 0x40, 0x00), 1));
    painter.setBrush(QColor(0xFF, 0xB3, 0x00));
    painter.drawPath(triangle);
    painter.setPen(QPen(Qt::black, 1.2));
    painter.drawLine(QPointF(4.5, 10), QPointF(4.5, 12.6));
    painter.drawPoint(QPointF(4.5, 14.2));
    painter.end();
    for (QIcon::Mode mode : {QIcon::Normal, QIcon::Selected, QIcon::Active}) cache[state].addPixmap(p, mode);
  }
  return cache[state];
}

void SceneryTreeModel::marksChanged() {
  tree_.forEach([this](Node* n) {
    if (n == tree_.root()) return;
    const QModelIndex i = indexOf(n);
    emit dataChanged(i, i, {Qt::DecorationRole, Qt::ToolTipRole});
  });
}

void SceneryTreeModel::beginUpdate() { emit updatesSuspended(true); }

void SceneryTreeModel::endUpdate() { emit updatesSuspended(false); }

void SceneryTreeModel::aboutToInsert(Node* parent, int first, int last) {
  beginInsertRows(indexOf(parent), first, last);
}

void SceneryTreeModel::inserted() { endInsertRows(); }

void SceneryTreeModel::aboutToRemove(Node* parent, int first, int last) {
  beginRemoveRows(indexOf(parent), first, last);
}

void SceneryTreeModel::removed() { endRemoveRows(); }

void SceneryTreeModel::aboutToMove(Node* from, int row, Node* to, int destRow) {
  moveSignalled_ = beginMoveRows(indexOf(from), row, row, indexOf(to), destRow);
  // A move Qt refuses to describe is announced as a layout change.
  if (!moveSignalled_) beginLayoutChange(nullptr);
}

void SceneryTreeModel::moved() {
  if (moveSignalled_)
    endMoveRows();
  else
    endLayoutChange(nullptr);
  moveSignalled_ = false;
}

void SceneryTreeModel::aboutToReorder(Node* parent) { beginLayoutChange(parent); }

void SceneryTreeModel::reordered(Node* parent) { endLayoutChange(parent); }

void SceneryTreeModel::beginLayoutChange(Node* parent) {
  QList<QPersistentModelIndex> parents;
  if (parent) parents.append(QPersistentModelIndex(indexOf(parent)));
  emit layoutAboutToBeChanged(parents, QAbstractItemModel::VerticalSortHint);
  layoutFrom_ = persistentIndexList();
}

void SceneryTreeModel::endLayoutChange(Node* parent) {
  QModelIndexList to;
  to.reserve(layoutFrom_.size());
  for (const QModelIndex& from : layoutFrom_) {
    Node* n = static_cast<Node*>(from.internalPointer());
    to.append(createIndex(n->index(), from.column(), n));
  }
  changePersistentIndexList(layoutFrom_, to);
  layoutFrom_.clear();
  QList<QPersistentModelIndex> parents;
  if (parent) parents.append(QPersistentModelIndex(indexOf(parent)));
  emit layoutChanged(parents, QAbstractItemModel::VerticalSortHint);
}

void SceneryTreeModel::changed(Node* node) {
  const QModelIndex i = indexOf(node);
  emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole, Qt::DecorationRole});
}

void SceneryTreeModel::expandedChanged(Node* node) { emit nodeExpandedChanged(indexOf(node), node->expanded()); }

void SceneryTreeModel::selectionChanged() { emit treeSelectionChanged(); }

}  // namespace orvella::ui
