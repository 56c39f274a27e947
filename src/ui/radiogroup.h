#pragma once

#include <QStringList>

#include <vector>

#include "ui/groupbox.h"

class QButtonGroup;
class QRadioButton;

namespace orvella::ui {

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

}  // namespace orvella::ui
