// A Qt item model over one scenery tree. The tree tells the model about
// every change (TreeObserver) and the model passes each on as the exact
// begin/end signal pair, so a view keeps everything that did not change:
// its expanded branches, its selection, its scroll position.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QPersistentModelIndex>
#include <QStringList>

#include <functional>
#include <string>

#include "logic/model/tree.h"

namespace orvella::ui {

class SceneryTreeModel : public QAbstractItemModel, public TreeObserver {
  Q_OBJECT
 public:
  // Becomes the tree's observer until destroyed.
  explicit SceneryTreeModel(SceneryTree& tree, QObject* parent = nullptr);
  ~SceneryTreeModel() override;

  SceneryTree& tree() const { return tree_; }
  // The node of an index; nullptr for the invisible root.
  Node* nodeFromIndex(const QModelIndex& index) const;
  // The index of a node; invalid for nullptr.
  QModelIndex indexOf(const Node* node) const;

  // A node's text was edited in place: the window runs the tree's
  // end-of-edit handler, which gives the node its new text.
  std::function<void(Node*, const std::string&)> onEdited;
  // A node's tooltip (ANSI); none when unset or empty.
  std::function<std::string(const Node*)> toolTipOf;
  // The problems the scenery check found for a node: a warning mark over
  // its state image, and the lines below its tooltip. None when unset.
  std::function<QStringList(const Node*)> problemsOf;
  // The marks changed: every row shows its image and tooltip again.
  void marksChanged();
  // A state image with the check's warning mark in its lower left corner.
  static QIcon markedStateIcon(int state);

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  // The tree's selection changed (the view follows it).
  void treeSelectionChanged();
  // A node was expanded or collapsed by the program.
  void nodeExpandedChanged(const QModelIndex& index, bool expanded);
  // A batch of changes starts (true) or ends (false): the view does not
  // repaint in between.
  void updatesSuspended(bool suspended);

 private:
  // TreeObserver.
  void beginUpdate() override;
  void endUpdate() override;
  void aboutToInsert(Node* parent, int first, int last) override;
  void inserted() override;
  void aboutToRemove(Node* parent, int first, int last) override;
  void removed() override;
  void aboutToMove(Node* from, int row, Node* to, int destRow) override;
  void moved() override;
  void aboutToReorder(Node* parent) override;
  void reordered(Node* parent) override;
  void changed(Node* node) override;
  void expandedChanged(Node* node) override;
  void selectionChanged() override;

  // A change Qt has no finer signal for: the persistent indexes follow
  // their nodes to their new rows.
  void beginLayoutChange(Node* parent);
  void endLayoutChange(Node* parent);

  SceneryTree& tree_;
  bool moveSignalled_ = false;
  QModelIndexList layoutFrom_;
};

}  // namespace orvella::ui
