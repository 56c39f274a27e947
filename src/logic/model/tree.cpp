#include "logic/model/tree.h"

#include <algorithm>

namespace orvella {

Node* Node::parent() const {
  if (!parent_ || parent_ == tree_->root()) return nullptr;
  return parent_;
}

Node* Node::nextSibling() const {
  if (!parent_) return nullptr;
  const size_t i = static_cast<size_t>(index_) + 1;
  return i < parent_->children_.size() ? parent_->children_[i].get() : nullptr;
}

Node* Node::prevSibling() const {
  if (!parent_ || index_ == 0) return nullptr;
  return parent_->children_[static_cast<size_t>(index_ - 1)].get();
}

bool Node::isSelfOrDescendantOf(const Node* other) const {
  for (const Node* n = this; n; n = n->parent_)
    if (n == other) return true;
  return false;
}

int Node::level() const {
  int l = 0;
  for (const Node* n = parent(); n; n = n->parent()) ++l;
  return l;
}

SceneryTree::SceneryTree(std::string name) : name_(std::move(name)), root_(std::make_unique<Node>()) {
  root_->tree_ = this;
  root_->kind_ = -1;
}

SceneryTree::~SceneryTree() = default;

int SceneryTree::countOf(const Node* parent) const { return parent ? parent->childCount() : topCount(); }

Node* SceneryTree::childOf(const Node* parent, int i) const { return parent ? parent->child(i) : top(i); }

int SceneryTree::nodeCount() const {
  int n = 0;
  forEach([&](Node*) { ++n; });
  return n;
}

void SceneryTree::renumber(Node* parent, size_t from) {
  for (size_t i = from; i < parent->children_.size(); ++i) parent->children_[i]->index_ = static_cast<int>(i);
}

Node* SceneryTree::addChild(Node* parent, std::string text, int kind) {
  return insert(parent, countOf(parent), std::move(text), kind);
}

Node* SceneryTree::insert(Node* parent, int row, std::string text, int kind) {
  Node* p = parentOrRoot(parent);
  row = std::clamp(row, 0, p->childCount());
  auto node = std::make_unique<Node>();
  node->text_ = std::move(text);
  node->kind_ = kind;
  node->parent_ = p;
  node->tree_ = this;
  Node* raw = node.get();
  observer_->aboutToInsert(parent, row, row);
  p->children_.insert(p->children_.begin() + row, std::move(node));
  renumber(p, static_cast<size_t>(row));
  observer_->inserted();
  return raw;
}

void SceneryTree::forgetSubtree(Node* node) {
  bool selectionTouched = false;
  std::function<void(Node*)> forget = [&](Node* n) {
    if (n == unmanaged_) unmanaged_ = nullptr;
    if (n == focused_) {
      focused_ = nullptr;
      selectionTouched = true;
    }
    auto it = std::find(selection_.begin(), selection_.end(), n);
    if (it != selection_.end()) {
      selection_.erase(it);
      selectionTouched = true;
    }
    for (auto& c : n->children_) forget(c.get());
  };
  forget(node);
  if (selectionTouched) {
    if (!focused_ && !selection_.empty()) focused_ = selection_.back();
    observer_->selectionChanged();
  }
}

void SceneryTree::remove(Node* node) {
  if (!node || node == root_.get()) return;
  Node* p = node->parent_;
  const int row = node->index_;
  forgetSubtree(node);
  observer_->aboutToRemove(externalParent(p), row, row);
  std::unique_ptr<Node> doomed = std::move(p->children_[static_cast<size_t>(row)]);
  p->children_.erase(p->children_.begin() + row);
  renumber(p, static_cast<size_t>(row));
  observer_->removed();
  // Destroyed after the view has let go of it.
  doomed.reset();
}

void SceneryTree::clear() {
  while (!root_->children_.empty()) remove(root_->children_.back().get());
}

bool SceneryTree::moveTo(Node* node, Node* newParent, int row) {
  Node* to = parentOrRoot(newParent);
  if (!node || to->isSelfOrDescendantOf(node)) return false;
  Node* from = node->parent_;
  const int src = node->index_;
  row = std::clamp(row, 0, to->childCount());
  if (from == to && (row == src || row == src + 1)) return true;  // already there
  observer_->aboutToMove(externalParent(from), src, externalParent(to), row);
  std::unique_ptr<Node> owned = std::move(from->children_[static_cast<size_t>(src)]);
  from->children_.erase(from->children_.begin() + src);
  int dest = row;
  if (from == to && row > src) --dest;
  to->children_.insert(to->children_.begin() + dest, std::move(owned));
  node->parent_ = to;
  renumber(from, 0);
  if (to != from) renumber(to, 0);
  observer_->moved();
  return true;
}

void SceneryTree::sortChildren(Node* parent, const std::function<bool(const Node*, const Node*)>& less) {
  Node* p = parentOrRoot(parent);
  if (p->children_.size() < 2) return;
  const bool sorted = std::is_sorted(p->children_.begin(), p->children_.end(),
                                     [&](const auto& a, const auto& b) { return less(a.get(), b.get()); });
  if (sorted) return;
  observer_->aboutToReorder(parent);
  std::stable_sort(p->children_.begin(), p->children_.end(),
                   [&](const auto& a, const auto& b) { return less(a.get(), b.get()); });
  renumber(p, 0);
  observer_->reordered(parent);
}

void SceneryTree::setText(Node* node, std::string text) {
  if (node->text_ == text) return;
  node->text_ = std::move(text);
  observer_->changed(node);
}

void SceneryTree::setKind(Node* node, int kind) {
  if (node->kind_ == kind) return;
  node->kind_ = kind;
  observer_->changed(node);
}

void SceneryTree::setState(Node* node, int state) {
  if (node->state_ == state) return;
  node->state_ = state;
  observer_->changed(node);
}

void SceneryTree::setExpanded(Node* node, bool expanded) {
  if (node->expanded_ == expanded) return;
  node->expanded_ = expanded;
  observer_->expandedChanged(node);
}

void SceneryTree::select(Node* node) {
  selection_.clear();
  focused_ = node;
  if (node) selection_.push_back(node);
  observer_->selectionChanged();
}

void SceneryTree::addToSelection(Node* node) {
  if (!node) return;
  auto it = std::find(selection_.begin(), selection_.end(), node);
  if (it != selection_.end()) selection_.erase(it);
  selection_.push_back(node);
  focused_ = node;
  observer_->selectionChanged();
}

void SceneryTree::deselect(Node* node) {
  auto it = std::find(selection_.begin(), selection_.end(), node);
  if (it == selection_.end()) return;
  selection_.erase(it);
  if (focused_ == node) focused_ = selection_.empty() ? nullptr : selection_.back();
  observer_->selectionChanged();
}

void SceneryTree::setSelection(std::vector<Node*> nodes, Node* focused) {
  selection_ = std::move(nodes);
  focused_ = focused;
  observer_->selectionChanged();
}

bool SceneryTree::isSelected(const Node* node) const {
  return std::find(selection_.begin(), selection_.end(), node) != selection_.end();
}

void SceneryTree::beginUpdate() {
  if (updateDepth_++ == 0) observer_->beginUpdate();
}

void SceneryTree::endUpdate() {
  if (updateDepth_ > 0 && --updateDepth_ == 0) observer_->endUpdate();
}

void SceneryTree::forEach(const std::function<void(Node*)>& fn) const {
  std::function<void(Node*)> walk = [&](Node* n) {
    fn(n);
    for (auto& c : n->children_) walk(c.get());
  };
  for (auto& c : root_->children_) walk(c.get());
}

}  // namespace orvella
