// The copy-or-move question of a node drop: a small modal dialog built from
// its component table and translated when created.
#pragma once

#include <QDialog>

#include <memory>
#include <string_view>

#include "logic/core/form.h"

class QPushButton;

namespace orvella::ui {

class FormView;

// "Que voulez vous faire ?": "Copier" answers 6, "Déplacer" 7, "Annuler"
// and closing the window 2.
class TEcrConfirmeCopie : public QDialog {
  Q_OBJECT
 public:
  explicit TEcrConfirmeCopie(QWidget* parent = nullptr);
  ~TEcrConfirmeCopie() override;

  Form& form() { return form_; }
  QWidget* control(std::string_view name) const;
  QPushButton* button(std::string_view name) const;

  void reject() override;

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  Form form_;
  std::unique_ptr<FormView> view_;
};

}  // namespace orvella::ui
