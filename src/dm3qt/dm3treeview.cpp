#include "dm3qt/dm3treeview.h"

#include <QVariant>

#include "qtansi/ansiqt.h"

namespace orvella {

std::string QtTreeItemNode::Text() const { return ToAnsi(item_->text(0)); }

void QtTreeItemNode::SetText(std::string_view text) { item_->setText(0, FromAnsi(text)); }

void* QtTreeItemNode::Data() const { return reinterpret_cast<void*>(item_->data(0, kTreeDataRole).value<quintptr>()); }

void QtTreeItemNode::SetData(void* data) {
  item_->setData(0, kTreeDataRole, QVariant::fromValue(reinterpret_cast<quintptr>(data)));
}

std::unique_ptr<dm3::TreeViewNode> QtTreeItemNode::Child(int index) const {
  return std::make_unique<QtTreeItemNode>(item_->child(index));
}

std::unique_ptr<dm3::TreeViewNode> QtTreeItemNode::AddChild(std::string_view text) {
  auto* child = new QTreeWidgetItem(item_);
  child->setText(0, FromAnsi(text));
  return std::make_unique<QtTreeItemNode>(child);
}

std::unique_ptr<dm3::TreeViewNode> QtTreeWidgetNodes::FirstNode() const {
  if (tree_->topLevelItemCount() == 0) return nullptr;
  return std::make_unique<QtTreeItemNode>(tree_->topLevelItem(0));
}

std::unique_ptr<dm3::TreeViewNode> QtTreeWidgetNodes::AddTopLevel(std::string_view text) {
  auto* item = new QTreeWidgetItem(tree_);
  item->setText(0, FromAnsi(text));
  return std::make_unique<QtTreeItemNode>(item);
}

}  // namespace orvella
