#include "ui/copydialog.h"

#include <QPushButton>

#include "logic/core/interaction.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/texts/textes.h"
#include "ui/formview.h"

namespace orvella::ui {

TEcrConfirmeCopie::TEcrConfirmeCopie(QWidget* parent) : QDialog(parent), form_(CreateEcrConfirmeCopieForm()) {
  TraduitEcran(form_, {});
  view_ = std::make_unique<FormView>(form_, this);
  SetUpDialog(*this, form_);
  move(310, 130);
  const std::pair<const char*, int> answers[] = {
      {"btnCopier", kMrYes}, {"btnDeplacer", kMrNo}, {"btnAnnuler", kMrCancel}};
  for (const auto& [name, result] : answers)
    connect(button(name), &QPushButton::clicked, this, [this, r = result] { done(r); });
}

TEcrConfirmeCopie::~TEcrConfirmeCopie() = default;

QWidget* TEcrConfirmeCopie::control(std::string_view name) const { return view_->widget(name); }

QPushButton* TEcrConfirmeCopie::button(std::string_view name) const {
  return qobject_cast<QPushButton*>(view_->widget(name));
}

void TEcrConfirmeCopie::reject() { done(kMrCancel); }

void TEcrConfirmeCopie::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  view_->setClientSize(width(), height());
}

}  // namespace orvella::ui
