// Widgets for a window's component table: one widget per control of a Form,
// placed at the control's bounds within its parent (no Qt layouts: the Form
// applies the anchors when the window is resized), and the Form's captions,
// enabled, visible and checked states and tooltips shown on them.
#pragma once

#include <QWidget>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "logic/core/form.h"

class QDialog;

namespace orvella::ui {

class FormView {
 public:
  // Builds kinds the view does not know itself (tree views) or wants
  // otherwise; answering nullptr lets the view build its default widget.
  using Factory = std::function<QWidget*(Component&, QWidget* parent)>;

  // Builds the widgets of every control of form inside client (the window's
  // client area), in creation order; object names are component names.
  FormView(Form& form, QWidget* client, const Factory& factory = {});

  Form& form() const { return form_; }
  QWidget* widget(std::string_view name) const;
  template <typename W>
  W* get(std::string_view name) const {
    return qobject_cast<W*>(widget(name));
  }
  // The names of the controls that have a widget, in creation order.
  const std::vector<std::string>& names() const { return names_; }

  // Positions and sizes from the Form.
  void applyGeometry();
  // Captions, enabled, visible, checked and tooltips from the Form.
  void applyState();
  // The client size changed: the Form follows (anchors), then the widgets.
  void setClientSize(int width, int height);
  // A tree view or list box in a tab sheet fills the sheet (the sheet's
  // layout places it); everything else sits at its Form bounds.
  bool placedByParent(const Component& c) const;
  // The controls that take the focus, in the order Tab visits them: rows
  // from top to bottom, each row from left to right, a container's
  // controls where the container stands.
  std::vector<QWidget*> tabOrder() const;
  // Moves the focus to the next (or previous) control of tabOrder() that
  // can take it, from the one that holds it. False when none can.
  bool focusNext(bool forward) const;

 private:
  void appendTabOrder(const std::string& parent, std::vector<QWidget*>& out) const;
  QWidget* create(Component& c, QWidget* parent);
  QWidget* parentFor(const Component& c) const;

  Form& form_;
  QWidget* client_;
  std::map<std::string, QWidget*, std::less<>> byName_;
  std::vector<std::string> names_;
};

// A dialog's client area and caption from its Form.
void SetUpDialog(QDialog& dialog, const Form& form);

}  // namespace orvella::ui
