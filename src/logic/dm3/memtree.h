// U_MemTree: a small in-memory tree of named nodes, each of which may own one
// block of raw memory. The DM3 reader builds one per loaded file; the tree can
// also be copied to and from the nodes of a tree view through the abstract
// interfaces below (the Qt layer implements them for QTreeWidget).
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvella {

namespace dm3 {

// The toolkit's persistent base: Assign asks the source to copy itself into
// this object (AssignTo); the base AssignTo refuses with the assignment error
// (EConvertError "Impossible d'affecter un <source> à un <destination>").
class Persistent {
 public:
  virtual ~Persistent() = default;
  // Copies from source. The base hands the work to source->AssignTo(*this);
  // a null source is refused.
  virtual void Assign(const Persistent* source);
  // Copies this object into dest. The base refuses.
  virtual void AssignTo(Persistent& dest) const;
  virtual std::string ClassName() const { return "TPersistent"; }

 protected:
  [[noreturn]] void AssignError(const Persistent* source) const;
};

// A raw memory block owned by a memory node. Blocks are allocated with
// AllocBlock (array new of std::byte; null for size 0) and released with
// FreeBlock.
std::byte* AllocBlock(std::size_t size);
void FreeBlock(std::byte* block);

// One node of a tree view, as the memory tree sees it. Adapters are small
// handles: several may refer to the same view node.
class TreeViewNode : public Persistent {
 public:
  virtual std::string Text() const = 0;  // 8-bit, ANSI code page
  virtual void SetText(std::string_view text) = 0;
  virtual void* Data() const = 0;
  virtual void SetData(void* data) = 0;
  virtual int ChildCount() const = 0;
  virtual std::unique_ptr<TreeViewNode> Child(int index) const = 0;
  // Appends a new child with this text under this node and answers it.
  virtual std::unique_ptr<TreeViewNode> AddChild(std::string_view text) = 0;
  std::string ClassName() const override { return "TTreeNode"; }
};

// The node collection of a tree view.
class TreeViewNodes : public Persistent {
 public:
  // Its node at index 0 (the first top-level node), or null when empty.
  virtual std::unique_ptr<TreeViewNode> FirstNode() const = 0;
  // Appends a new top-level node with this text and answers it.
  virtual std::unique_ptr<TreeViewNode> AddTopLevel(std::string_view text) = 0;
  std::string ClassName() const override { return "TTreeNodes"; }
};

}  // namespace dm3

// A named node of the tag tree. A node owns its children (created with
// AddChild) and its data block. Deleting a node that has a parent takes it
// out of the parent's children first.
class TPPMemNode : public dm3::Persistent {
 public:
  explicit TPPMemNode(std::string name = {});
  ~TPPMemNode() override;
  TPPMemNode(const TPPMemNode&) = delete;
  TPPMemNode& operator=(const TPPMemNode&) = delete;

  TPPMemNode* Parent() const { return parent_; }
  const std::string& Name() const { return name_; }

  // The data block (not its size: the DM3 reader records that in a child).
  std::byte* Data() const { return data_; }
  // Takes ownership of block (allocated with AllocBlock); the previous block
  // is released unless it is the same one.
  void SetData(std::byte* block);

  TPPMemNode* AddChild(std::string name);
  // Empties the name, releases the data block and destroys every descendant;
  // the node itself stays.
  void Clear();

  bool HasChildren() const { return children_ && !children_->empty(); }
  int ChildCount() const { return children_ ? static_cast<int>(children_->size()) : 0; }
  // The children in insertion order (empty before the first AddChild).
  std::span<TPPMemNode* const> Children() const;
  // The first child whose name equals name byte for byte, or null.
  TPPMemNode* FindChild(std::string_view name) const;
  TPPMemNode* FirstChild() const;
  // The child after `child` in this node's children; null when child is the
  // last one or is not a child of this node.
  TPPMemNode* ChildAfter(const TPPMemNode* child) const;
  TPPMemNode* NextSibling() const;
  // The names from the root down to this node, joined by separator (the
  // root's name included, even when empty).
  std::string Path(std::string_view separator) const;

  void Assign(const dm3::Persistent* source) override;
  void AssignTo(dm3::Persistent& dest) const override;
  std::string ClassName() const override { return "TPPMemNode"; }

  void CopyFromTreeNode(const dm3::TreeViewNode& node);
  void CopyToTreeNode(dm3::TreeViewNode& node) const;

 private:
  void DestroyChildren();

  TPPMemNode* parent_ = nullptr;
  // Created with the first child; owns the nodes it lists.
  std::unique_ptr<std::vector<TPPMemNode*>> children_;
  std::string name_;
  std::byte* data_ = nullptr;
};

}  // namespace orvella
