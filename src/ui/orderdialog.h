// The scenery order shown before it is written: one row per pack, top
// first, with its kind in a colour of its own, its airports, and below the
// list the packs that declare one airport twice.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "logic/core/interaction.h"
#include "logic/order/orderline.h"

class QTreeWidget;
class QListWidget;

namespace orvella::ui {

class TEcrOrdre : public QDialog {
  Q_OBJECT
 public:
  TEcrOrdre(const std::string& title, const std::vector<OrderLine>& lines, const std::vector<std::string>& warnings,
            QWidget* parent = nullptr);

  QTreeWidget* list() const { return list_; }
  QListWidget* warnings() const { return warnings_; }
  // The colour of a kind's place in the order.
  static QColor KindColour(int group);

 protected:
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  // The columns at their contents' widths, the names and the airports
  // shortened where the list is narrower than their sum.
  void fitColumns();
  std::vector<int> natural_;
  QTreeWidget* list_;
  QListWidget* warnings_;
};

}  // namespace orvella::ui
