#include "logic/core/form.h"

#include <stdexcept>

namespace orvella {

Form::Form(std::string name, std::string caption, int clientWidth, int clientHeight)
    : name_(std::move(name)), caption_(std::move(caption)), clientWidth_(clientWidth), clientHeight_(clientHeight) {}

Component& Form::add(Component c) {
  components_.push_back(std::move(c));
  return components_.back();
}

Component* Form::find(std::string_view name) {
  for (auto& c : components_)
    if (c.name == name) return &c;
  return nullptr;
}

const Component* Form::find(std::string_view name) const { return const_cast<Form&>(*this).find(name); }

Component& Form::operator[](std::string_view name) {
  if (Component* c = find(name)) return *c;
  throw std::out_of_range("no component " + std::string(name));
}

std::vector<Component*> Form::childrenOf(std::string_view parent) {
  std::vector<Component*> out;
  for (auto& c : components_)
    if (c.isControl() && c.parent == parent) out.push_back(&c);
  return out;
}

void Form::setClientSize(int w, int h) {
  const int oldW = clientWidth_, oldH = clientHeight_;
  clientWidth_ = w;
  clientHeight_ = h;
  resizeChildren({}, oldW, oldH, w, h);
}

namespace {
// One axis of the anchor rule: position and size of a control inside a
// parent whose extent changes from oldExtent to newExtent.
void Follow(int& pos, int& size, bool nearSide, bool farSide, int oldExtent, int newExtent) {
  const int delta = newExtent - oldExtent;
  if (nearSide && farSide) {
    size += delta;
  } else if (farSide) {
    pos += delta;
  } else if (!nearSide && oldExtent > 0) {
    // Neither side anchored: the control keeps its centre at the same
    // proportion of the parent.
    const int centre = pos + size / 2;
    pos = centre * newExtent / oldExtent - size / 2;
  }
}
}  // namespace

void Form::resizeChildren(std::string_view parent, int oldW, int oldH, int newW, int newH) {
  if (oldW == newW && oldH == newH) return;
  for (Component* c : childrenOf(parent)) {
    const Rect before = c->bounds;
    Follow(c->bounds.left, c->bounds.width, c->anchors & akLeft, c->anchors & akRight, oldW, newW);
    Follow(c->bounds.top, c->bounds.height, c->anchors & akTop, c->anchors & akBottom, oldH, newH);
    resizeChildren(c->name, before.width, before.height, c->bounds.width, c->bounds.height);
  }
}

const Component& Form::operator[](std::string_view name) const { return const_cast<Form&>(*this)[name]; }

}  // namespace orvella
