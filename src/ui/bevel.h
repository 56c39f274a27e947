#pragma once

#include <QWidget>

namespace orvella::ui {

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

}  // namespace orvella::ui
