#include "logic/dm3/memtree.h"

#include <algorithm>

#include "logic/core/ansi.h"
#include "logic/core/errors.h"

namespace orvella {

namespace dm3 {

void Persistent::Assign(const Persistent* source) {
  if (source == nullptr) AssignError(nullptr);
  source->AssignTo(*this);
}

void Persistent::AssignTo(Persistent& dest) const { dest.AssignError(this); }

void Persistent::AssignError(const Persistent* source) const {
  const std::string sourceName = source ? source->ClassName() : std::string("nil");
  throw EConvertError(
      CatalogueText("Dm3Conv", "Affectation", "Impossible d'affecter un %s à un %s", {sourceName, ClassName()}));
}

std::byte* AllocBlock(std::size_t size) { return size == 0 ? nullptr : new std::byte[size]; }

void FreeBlock(std::byte* block) { delete[] block; }

}  // namespace dm3

TPPMemNode::TPPMemNode(std::string name) : name_(std::move(name)) {}

TPPMemNode::~TPPMemNode() {
  if (parent_ && parent_->children_) {
    auto& siblings = *parent_->children_;
    const auto it = std::find(siblings.begin(), siblings.end(), this);
    if (it != siblings.end()) siblings.erase(it);
  }
  DestroyChildren();
  dm3::FreeBlock(data_);
}

void TPPMemNode::DestroyChildren() {
  if (!children_) return;
  // Detach the list first: the children must not look for themselves in it.
  std::unique_ptr<std::vector<TPPMemNode*>> list = std::move(children_);
  for (TPPMemNode* child : *list) {
    child->parent_ = nullptr;
    delete child;
  }
}

void TPPMemNode::SetData(std::byte* block) {
  if (block == data_) return;
  dm3::FreeBlock(data_);
  data_ = block;
}

TPPMemNode* TPPMemNode::AddChild(std::string name) {
  if (!children_) children_ = std::make_unique<std::vector<TPPMemNode*>>();
  auto child = std::make_unique<TPPMemNode>(std::move(name));
  children_->push_back(child.get());
  child->parent_ = this;
  return child.release();
}

void TPPMemNode::Clear() {
  name_.clear();
  dm3::FreeBlock(data_);
  data_ = nullptr;
  DestroyChildren();
}

std::span<TPPMemNode* const> TPPMemNode::Children() const {
  if (!children_) return {};
  return {children_->data(), children_->size()};
}

TPPMemNode* TPPMemNode::FindChild(std::string_view name) const {
  for (TPPMemNode* child : Children())
    if (child->name_ == name) return child;
  return nullptr;
}

TPPMemNode* TPPMemNode::FirstChild() const { return HasChildren() ? children_->front() : nullptr; }

TPPMemNode* TPPMemNode::ChildAfter(const TPPMemNode* child) const {
  const auto list = Children();
  const auto it = std::find(list.begin(), list.end(), child);
  if (it == list.end() || it + 1 == list.end()) return nullptr;
  return *(it + 1);
}

TPPMemNode* TPPMemNode::NextSibling() const { return parent_ ? parent_->ChildAfter(this) : nullptr; }

std::string TPPMemNode::Path(std::string_view separator) const {
  std::vector<const TPPMemNode*> chain;
  for (const TPPMemNode* n = this; n; n = n->parent_) chain.push_back(n);
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (it != chain.rbegin()) path += separator;
    path += (*it)->name_;
  }
  return path;
}

void TPPMemNode::CopyFromTreeNode(const dm3::TreeViewNode& node) {
  name_ = node.Text();
  SetData(static_cast<std::byte*>(node.Data()));
  const int count = node.ChildCount();
  for (int i = 0; i < count; ++i) AddChild({})->CopyFromTreeNode(*node.Child(i));
}

void TPPMemNode::CopyToTreeNode(dm3::TreeViewNode& node) const {
  node.SetText(name_);
  node.SetData(data_);
  for (const TPPMemNode* child : Children()) child->CopyToTreeNode(*node.AddChild({}));
}

void TPPMemNode::Assign(const dm3::Persistent* source) {
  if (const auto* node = dynamic_cast<const dm3::TreeViewNode*>(source)) {
    CopyFromTreeNode(*node);
  } else if (const auto* nodes = dynamic_cast<const dm3::TreeViewNodes*>(source)) {
    if (const auto first = nodes->FirstNode()) CopyFromTreeNode(*first);
  } else {
    Persistent::Assign(source);
  }
}

void TPPMemNode::AssignTo(dm3::Persistent& dest) const {
  if (auto* node = dynamic_cast<dm3::TreeViewNode*>(&dest)) {
    CopyToTreeNode(*node);
  } else if (auto* nodes = dynamic_cast<dm3::TreeViewNodes*>(&dest)) {
    std::unique_ptr<dm3::TreeViewNode> first = nodes->FirstNode();
    if (!first) first = nodes->AddTopLevel({});
    CopyToTreeNode(*first);
  } else {
    Persistent::AssignTo(dest);
  }
}

}  // namespace orvella
