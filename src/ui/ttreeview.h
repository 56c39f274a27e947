// The program's tree view: a QTreeView over one scenery tree, its multiple
// selection and expanded branches kept in step with the tree both ways, the
// node images, in-place editing, the automatic drag of the selected node and
// the drop of folders from the desktop. The window decides what each event
// does through the callbacks.
#pragma once

#include <QPersistentModelIndex>
#include <QTreeView>

#include <functional>
#include <string>
#include <vector>

#include "logic/model/tree.h"

namespace orvella::ui {

class SceneryTreeModel;

class TTreeView : public QTreeView {
  Q_OBJECT
 public:
  // The mime type of a node dragged inside the program.
  static QString nodeMimeType();
  // What a node dragged from this tree carries: this process and the tree.
  QByteArray dragPayload() const;

  explicit TTreeView(SceneryTree& tree, QWidget* parent = nullptr);

  SceneryTree& tree() const { return tree_; }
  SceneryTreeModel* sceneryModel() const { return model_; }
  // The node whose row holds the point (viewport coordinates), or nullptr.
  Node* nodeAt(const QPoint& pos) const;
  QModelIndex indexOfNode(const Node* node) const;
  // The visual rectangle of a node's row (viewport coordinates).
  QRect nodeRect(const Node* node) const;

  // Files dropped from the desktop are taken only once the window is ready.
  void setAcceptFiles(bool accept);

  // The selection changed by the user (not by the program).
  std::function<void()> onSelectionChanged;
  // Right mouse button pressed on a node (nullptr: empty space). When unset,
  // a right click leaves the selection as it was.
  std::function<void(Node*)> onRightButtonDown;
  // End of an in-place edit: the node takes the text.
  std::function<void(Node*, const std::string&)> onEdited;
  // A node of a tree of this program is dragged over `target`: may it drop?
  std::function<bool(Node* target)> onDragOver;
  std::function<void(Node* target)> onDragDrop;
  // Files and folders dropped from the desktop on `target`, as Windows paths.
  std::function<void(Node* target, const std::vector<std::string>& names)> onDropFiles;
  // The Delete key, outside an in-place edit.
  std::function<void()> onDeleteKey;

  // Ends an in-place edit, if one is open, keeping what was typed.
  void finishEditing();
  // Opens the popup menu at the focused node (or the top of the view), as
  // the Menu key and Shift+F10 do.
  void openContextMenuAtFocus();

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dragLeaveEvent(QDragLeaveEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  enum class DragKind { None, Node, Files };
  DragKind dragKind(const QDropEvent* e) const;
  void setDropTarget(const QModelIndex& index);
  void followTreeSelection();
  void followViewSelection();
  void followTreeExpansion(const QModelIndex& index, bool expanded);
  void followViewExpansion(const QModelIndex& index, bool expanded);
  void restoreExpansion(const QModelIndex& parent, int first, int last);

  SceneryTree& tree_;
  SceneryTreeModel* model_;
  bool syncingSelection_ = false;
  bool syncingExpansion_ = false;
  bool acceptFiles_ = false;
  QPersistentModelIndex dropTarget_;
};

}  // namespace orvella::ui
