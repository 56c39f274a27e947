#include "ui/radiogroup.h"

#include <QButtonGroup>
#include <QEvent>
#include <QRadioButton>

namespace orvella::ui {

RadioGroup::RadioGroup(int columns, QWidget* parent)
    : GroupBox(parent), columns_(columns < 1 ? 1 : columns), group_(new QButtonGroup(this)) {
  connect(group_, &QButtonGroup::idClicked, this, &RadioGroup::itemClicked);
}

void RadioGroup::setItems(const QStringList& items) {
  if (items == items_) return;
  const int checked = itemIndex();
  for (QRadioButton* b : buttons_) delete b;
  buttons_.clear();
  items_ = items;
  for (int i = 0; i < items_.size(); ++i) {
    auto* b = new QRadioButton(items_[i], this);
    b->setObjectName(QStringLiteral("%1_%2").arg(objectName()).arg(i));
    group_->addButton(b, i);
    buttons_.push_back(b);
    b->show();
  }
  arrange();
  setItemIndex(checked < static_cast<int>(buttons_.size()) ? checked : -1);
}

void RadioGroup::setItemIndex(int index) {
  if (index == itemIndex()) return;
  if (index >= 0 && index < static_cast<int>(buttons_.size())) {
    buttons_[static_cast<size_t>(index)]->setChecked(true);
    return;
  }
  // An exclusive group cannot be emptied by unchecking its button.
  group_->setExclusive(false);
  for (QRadioButton* b : buttons_) b->setChecked(false);
  group_->setExclusive(true);
}

int RadioGroup::itemIndex() const { return group_->checkedId(); }

QRadioButton* RadioGroup::button(int index) const {
  if (index < 0 || index >= static_cast<int>(buttons_.size())) return nullptr;
  return buttons_[static_cast<size_t>(index)];
}

void RadioGroup::resizeEvent(QResizeEvent* e) {
  GroupBox::resizeEvent(e);
  arrange();
}

void RadioGroup::changeEvent(QEvent* e) {
  GroupBox::changeEvent(e);
  if (e->type() == QEvent::FontChange) arrange();
}

void RadioGroup::arrange() {
  const int count = static_cast<int>(buttons_.size());
  if (count == 0) return;
  // Columns are filled from top to bottom; the rows share the height below
  // the caption, the columns the width inside the frame.
  const int perColumn = (count + columns_ - 1) / columns_;
  const int textHeight = fontMetrics().height();
  const int buttonWidth = (width() - 10) / columns_;
  const int free = height() - textHeight - 5;
  const int buttonHeight = free / perColumn;
  const int topMargin = textHeight + 1 + (free % perColumn) / 2;
  for (int i = 0; i < count; ++i)
    buttons_[static_cast<size_t>(i)]->setGeometry(
        (i / perColumn) * buttonWidth + 8, (i % perColumn) * buttonHeight + topMargin, buttonWidth, buttonHeight);
}

}  // namespace orvella::ui
