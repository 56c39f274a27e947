// A window as the program's logic sees it: its component name, caption and
// the components it owns in creation order, each with the properties the
// logic reads and sets (caption, enabled, visible, checked, bounds, anchors).
// The Qt interface builds its widgets from this table and shows its state;
// translation, command availability and the side-panel layout work on it
// without any window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "logic/core/geometry.h"

namespace orvella {

enum class ComponentKind {
  Bevel,
  Button,
  SpeedButton,
  CheckBox,
  RadioGroup,
  PageControl,
  TabSheet,
  TreeView,
  Panel,
  GroupBox,
  Label,
  ListBox,
  MenuItem,  // an item of the window's popup menu ("-" caption: a separator)
};

// Anchors: an anchored side keeps its distance to the same side of the parent.
enum Anchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

struct Component {
  std::string name;
  ComponentKind kind = ComponentKind::Button;
  std::string parent;  // component name of the parent control; empty: the window
  std::string caption;
  Rect bounds;  // left, top, width, height within the parent
  unsigned anchors = akLeft | akTop;
  bool enabled = true;
  bool visible = true;
  bool checked = false;
  bool bold = false;  // labels
  std::string hint;   // tooltip

  bool isControl() const { return kind != ComponentKind::MenuItem; }
  bool isMenuItem() const { return kind == ComponentKind::MenuItem; }
};

class Form {
 public:
  Form(std::string name, std::string caption, int clientWidth, int clientHeight);

  const std::string& name() const { return name_; }
  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption) { caption_ = std::move(caption); }
  int clientWidth() const { return clientWidth_; }
  int clientHeight() const { return clientHeight_; }
  // Resizes the client area; every control follows its anchors (an anchored
  // side keeps its distance to the same side of its parent; both sides
  // anchored stretch the control; neither keeps it centred), and the controls
  // inside a control that changed size follow in turn.
  void setClientSize(int w, int h);
  // The children of a control (empty name: the window), in creation order.
  std::vector<Component*> childrenOf(std::string_view parent);

  Component& add(Component c);
  // The component of that name; throws std::out_of_range for an unknown one.
  Component& operator[](std::string_view name);
  const Component& operator[](std::string_view name) const;
  Component* find(std::string_view name);
  const Component* find(std::string_view name) const;
  std::vector<Component>& components() { return components_; }
  const std::vector<Component>& components() const { return components_; }

 private:
  void resizeChildren(std::string_view parent, int oldW, int oldH, int newW, int newH);

  std::string name_;
  std::string caption_;
  int clientWidth_;
  int clientHeight_;
  std::vector<Component> components_;
};

}  // namespace orvella
