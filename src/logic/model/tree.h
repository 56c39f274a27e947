// A scenery tree: groups, scenes and the unmanaged node, each node with its
// text, kind, state (image index) and expanded flag, plus the tree's scenery
// folder, its unmanaged node and its selection.
//
// The tree tells an observer (the Qt model adapter) about every change, so a
// view can follow without rebuilding anything.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvella {

// Node kinds, stored as the node's data.
inline constexpr int kKindUnmanaged = 0;  // the unmanaged node and its entries
inline constexpr int kKindGroup = 1;
inline constexpr int kKindScene = 2;

// Node states, stored as the node's image index.
inline constexpr int kStateNone = 0;
inline constexpr int kStateSome = 1;
inline constexpr int kStateAll = 2;
inline constexpr int kStateMissing = 3;                               // added to the base when a folder is missing
inline constexpr int kStateNoneMissing = kStateNone + kStateMissing;  // 3
inline constexpr int kStateSomeMissing = kStateSome + kStateMissing;  // 4
inline constexpr int kStateAllMissing = kStateAll + kStateMissing;    // 5
inline constexpr int kStateUnmanaged = 6;
inline constexpr int kStateUnclaimed = 7;

// Whether a state is one of the six states of scenes and groups (not the
// unmanaged node's, nor an unclaimed link's).
constexpr bool IsSceneryState(int state) { return state >= kStateNone && state <= kStateAllMissing; }
// Whether a scene or group state says some of its scenes are inactive
// (there is something to activate), or some are active (something to
// deactivate), a missing folder or not.
constexpr bool HasInactive(int state) { return IsSceneryState(state) && state % kStateMissing != kStateAll; }
constexpr bool HasActive(int state) { return IsSceneryState(state) && state % kStateMissing != kStateNone; }
// Whether a scene or group state says a folder is missing.
constexpr bool HasMissing(int state) { return IsSceneryState(state) && state >= kStateMissing; }
// A scene or group state without its missing mark: kStateNone, kStateSome or kStateAll.
constexpr int ActiveState(int state) { return state % kStateMissing; }
// A scene or group state from its activation (kStateNone, kStateSome or
// kStateAll) and whether a folder is missing.
constexpr int SceneryState(int active, bool missing) { return missing ? active + kStateMissing : active; }

class SceneryTree;

class Node {
 public:
  const std::string& text() const { return text_; }
  int kind() const { return kind_; }
  int state() const { return state_; }
  bool expanded() const { return expanded_; }
  bool isGroup() const { return kind_ == kKindGroup; }
  bool isScene() const { return kind_ == kKindScene; }

  // The parent node; nullptr for a top node.
  Node* parent() const;
  // Position among its siblings (top nodes: among the top nodes).
  int index() const { return index_; }
  int childCount() const { return static_cast<int>(children_.size()); }
  bool hasChildren() const { return !children_.empty(); }
  Node* child(int i) const { return children_[static_cast<size_t>(i)].get(); }
  Node* firstChild() const { return children_.empty() ? nullptr : children_.front().get(); }
  Node* lastChild() const { return children_.empty() ? nullptr : children_.back().get(); }
  Node* nextSibling() const;
  Node* prevSibling() const;
  SceneryTree* tree() const { return tree_; }
  // Whether this node is `other` or lies below it.
  bool isSelfOrDescendantOf(const Node* other) const;
  int level() const;

 private:
  friend class SceneryTree;
  std::string text_;
  int kind_ = kKindGroup;
  int state_ = kStateNone;
  bool expanded_ = false;
  int index_ = 0;
  Node* parent_ = nullptr;  // the tree's root for top nodes
  SceneryTree* tree_ = nullptr;
  std::vector<std::unique_ptr<Node>> children_;
};

// Receives every change of a tree. Rows are positions among the children of
// `parent` (nullptr: the top level).
class TreeObserver {
 public:
  virtual ~TreeObserver() = default;
  virtual void beginUpdate() {}
  virtual void endUpdate() {}
  virtual void aboutToInsert(Node* parent, int first, int last) {}
  virtual void inserted() {}
  virtual void aboutToRemove(Node* parent, int first, int last) {}
  virtual void removed() {}
  virtual void aboutToMove(Node* from, int row, Node* to, int destRow) {}
  virtual void moved() {}
  // The children of parent are about to be reordered / were reordered.
  virtual void aboutToReorder(Node* parent) {}
  virtual void reordered(Node* parent) {}
  // Text, kind or state of a node changed.
  virtual void changed(Node* node) {}
  virtual void expandedChanged(Node* node) {}
  virtual void selectionChanged() {}
};

class SceneryTree {
 public:
  explicit SceneryTree(std::string name);
  ~SceneryTree();
  SceneryTree(const SceneryTree&) = delete;
  SceneryTree& operator=(const SceneryTree&) = delete;

  const std::string& name() const { return name_; }

  // The scenery folder this tree is compared with, ending with "\".
  std::string sceneryFolder;
  // The unmanaged node of the last refresh, or nullptr.
  Node* unmanaged() const { return unmanaged_; }
  void setUnmanaged(Node* node) { unmanaged_ = node; }

  // Top level.
  int topCount() const { return root_->childCount(); }
  Node* top(int i) const { return root_->child(i); }
  Node* firstTop() const { return root_->firstChild(); }
  bool empty() const { return root_->children_.empty(); }
  // The children list of parent (nullptr: the top level).
  int countOf(const Node* parent) const;
  Node* childOf(const Node* parent, int i) const;
  int nodeCount() const;  // all nodes

  // Building. parent nullptr means the top level. New nodes have state 0 and
  // are collapsed.
  Node* addChild(Node* parent, std::string text, int kind);
  Node* insert(Node* parent, int row, std::string text, int kind);
  // Removes node with its subtree. The selection forgets the removed nodes;
  // the unmanaged reference is cleared when the unmanaged node goes.
  void remove(Node* node);
  void clear();
  // Moves node (with its subtree) to position row of newParent's children,
  // row counted before the move. Moving a node into its own subtree is refused
  // (returns false).
  bool moveTo(Node* node, Node* newParent, int row);
  // Sorts the children of parent (nullptr: the top level), stable, by
  // less(a, b).
  void sortChildren(Node* parent, const std::function<bool(const Node*, const Node*)>& less);

  void setText(Node* node, std::string text);
  void setKind(Node* node, int kind);
  // FixeEtat: the image index, which is also the selected-image index.
  void setState(Node* node, int state);
  void setExpanded(Node* node, bool expanded);

  // Selection: the selected nodes in the order they were selected, and the
  // focused one (the one selected last).
  const std::vector<Node*>& selection() const { return selection_; }
  Node* selected() const { return focused_; }
  int selectionCount() const { return static_cast<int>(selection_.size()); }
  // Makes node the only selected node (nullptr clears the selection).
  void select(Node* node);
  // Adds node to the selection and focuses it (ctrl-click).
  void addToSelection(Node* node);
  void deselect(Node* node);
  void setSelection(std::vector<Node*> nodes, Node* focused);
  void clearSelection() { select(nullptr); }
  bool isSelected(const Node* node) const;

  // Repainting suspended between the two calls (nesting allowed).
  void beginUpdate();
  void endUpdate();

  void setObserver(TreeObserver* observer) { observer_ = observer ? observer : &nullObserver_; }
  TreeObserver* observer() const { return observer_ == &nullObserver_ ? nullptr : observer_; }

  // Depth-first walk: each node before its children.
  void forEach(const std::function<void(Node*)>& fn) const;

  // The root holding the top nodes (never shown, never written).
  Node* root() const { return root_.get(); }

 private:
  Node* parentOrRoot(Node* parent) const { return parent ? parent : root_.get(); }
  Node* externalParent(Node* n) const { return n == root_.get() ? nullptr : n; }
  void renumber(Node* parent, size_t from);
  void forgetSubtree(Node* node);

  std::string name_;
  std::unique_ptr<Node> root_;
  Node* unmanaged_ = nullptr;
  std::vector<Node*> selection_;
  Node* focused_ = nullptr;
  int updateDepth_ = 0;
  TreeObserver nullObserver_;
  TreeObserver* observer_ = &nullObserver_;
};

}  // namespace orvella
