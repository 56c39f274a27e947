// Widgets for a window's component table: one widget per control of a Form,
// placed at the control's bounds within its parent (no Qt layouts: the Form
// applies the anchors when the window is resized), and the Form's captions,
// enabled, visible and checked states and tooltips shown on them.
#pragma once

#include <QFrame>
#include <QGroupBox>
#include <QStringList>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "logic/core/form.h"

class QButtonGroup;
class QRadioButton;

namespace orvella::ui {

// The font of the program's windows: "MS Sans Serif", 8 points at 96 dpi
// (11 pixels), or the first of WindowFontFamilies() that the system has.
// The first call adds the font files of WindowFontFiles() that exist to the
// application's fonts.
QFont WindowFont();
QStringList WindowFontFamilies();
QStringList WindowFontFiles();

// A bevel: a lowered frame or one lowered line along one side of its bounds.
class Bevel : public QWidget {
  Q_OBJECT
 public:
  enum class Shape { Frame, TopLine, BottomLine, LeftLine, RightLine };
  explicit Bevel(Shape shape, QWidget* parent = nullptr);
  Shape shape() const { return shape_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  Shape shape_;
};

// A group box drawn the classic way: an etched frame with the caption on
// its top line.
class GroupBox : public QGroupBox {
  Q_OBJECT
 public:
  explicit GroupBox(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent*) override;
};

// A radio group: a group box holding one radio button per item, arranged in
// columns filled from top to bottom.
class RadioGroup : public GroupBox {
  Q_OBJECT
 public:
  explicit RadioGroup(int columns, QWidget* parent = nullptr);
  void setItems(const QStringList& items);
  QStringList items() const { return items_; }
  // -1: none checked.
  void setItemIndex(int index);
  int itemIndex() const;
  QRadioButton* button(int index) const;

 signals:
  // The user checked item `index`.
  void itemClicked(int index);

 protected:
  void resizeEvent(QResizeEvent*) override;
  void changeEvent(QEvent*) override;

 private:
  void arrange();

  int columns_;
  QStringList items_;
  QButtonGroup* group_;
  std::vector<QRadioButton*> buttons_;
};

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

}  // namespace orvella::ui
