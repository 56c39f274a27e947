#pragma once

#include <QGroupBox>

namespace orvella::ui {

// A group box drawn the classic way: an etched frame with the caption on
// its top line.
class GroupBox : public QGroupBox {
  Q_OBJECT
 public:
  explicit GroupBox(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent*) override;
};

}  // namespace orvella::ui
