// The tag tree's view of a QTreeWidget: TPPMemNode::Assign and AssignTo copy
// between a memory tree and a tree widget through these adapters. An item's
// text is its column 0 text; its data value is a pointer kept in kDataRole.
#pragma once

#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <memory>

#include "logic/dm3/memtree.h"

namespace orvella {

inline constexpr int kTreeDataRole = Qt::UserRole;

class QtTreeItemNode : public dm3::TreeViewNode {
 public:
  explicit QtTreeItemNode(QTreeWidgetItem* item) : item_(item) {}
  QTreeWidgetItem* item() const { return item_; }

  std::string Text() const override;
  void SetText(std::string_view text) override;
  void* Data() const override;
  void SetData(void* data) override;
  int ChildCount() const override { return item_->childCount(); }
  std::unique_ptr<dm3::TreeViewNode> Child(int index) const override;
  std::unique_ptr<dm3::TreeViewNode> AddChild(std::string_view text) override;

 private:
  QTreeWidgetItem* item_;
};

// The top-level items of a QTreeWidget.
class QtTreeWidgetNodes : public dm3::TreeViewNodes {
 public:
  explicit QtTreeWidgetNodes(QTreeWidget* tree) : tree_(tree) {}
  std::unique_ptr<dm3::TreeViewNode> FirstNode() const override;
  std::unique_ptr<dm3::TreeViewNode> AddTopLevel(std::string_view text) override;

 private:
  QTreeWidget* tree_;
};

}  // namespace orvella
