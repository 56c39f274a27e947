#include "ui/librariesdialog.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include "logic/core/interaction.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/texts/textes.h"
#include "qtansi/ansiqt.h"
#include "ui/formview.h"

namespace orvella::ui {

TEcrBiblios::TEcrBiblios(QWidget* parent) : QDialog(parent), form_(CreateEcrBibliosForm()) {
  TraduitEcran(form_, {&Textes().AjoutBiblio});
  view_ = std::make_unique<FormView>(form_, this);
  SetUpDialog(*this, form_);
  liste()->setSelectionMode(QAbstractItemView::SingleSelection);
  liste()->setUniformItemSizes(true);
  connect(button("btnAjoute"), &QPushButton::clicked, this, [this] {
    try {
      btnAjouteClick();
    } catch (const std::exception& e) {
      UI().ShowMessage(e.what());
    }
  });
  connect(button("btnSupprime"), &QPushButton::clicked, this, [this] { btnSupprimeClick(); });
  connect(button("btnOk"), &QPushButton::clicked, this, [this] { done(1); });
  connect(liste(), &QListWidget::itemSelectionChanged, this, [this] {
    if (!updatingList_) ListeClick();
  });
}

TEcrBiblios::~TEcrBiblios() = default;

QWidget* TEcrBiblios::control(std::string_view name) const { return view_->widget(name); }

QPushButton* TEcrBiblios::button(std::string_view name) const {
  return qobject_cast<QPushButton*>(view_->widget(name));
}

QListWidget* TEcrBiblios::liste() const { return view_->get<QListWidget>("Liste"); }

void TEcrBiblios::setFolders(const std::vector<std::string>& folders) {
  updatingList_ = true;
  liste()->clear();
  for (const std::string& f : folders) liste()->addItem(FromAnsi(f));
  updatingList_ = false;
}

std::vector<std::string> TEcrBiblios::folders() const {
  std::vector<std::string> out;
  for (int i = 0; i < liste()->count(); ++i) out.push_back(ToAnsi(liste()->item(i)->text()));
  return out;
}

QPoint TEcrBiblios::placement(const QRect& mainFrame, const QPoint& mouse) const {
  const QSize size = frameGeometry().size();
  QPoint at(mainFrame.left() + (mainFrame.width() - size.width()) / 2, mouse.y() - size.height());
  if (QScreen* screen = QGuiApplication::screenAt(mouse)) at.setY(std::max(at.y(), screen->availableGeometry().top()));
  return at;
}

void TEcrBiblios::btnAjouteClick() {
  if (std::optional<std::string> folder = UI().PickFolder(Textes().AjoutBiblio.text))
    liste()->addItem(FromAnsi(*folder + "\\"));
}

void TEcrBiblios::ListeClick() {
  const QList<QListWidgetItem*> selected = liste()->selectedItems();
  form_["btnSupprime"].enabled = !selected.isEmpty() && !selected.front()->text().isEmpty();
  refresh();
}

void TEcrBiblios::btnSupprimeClick() {
  const QList<QListWidgetItem*> selected = liste()->selectedItems();
  updatingList_ = true;
  if (!selected.isEmpty()) delete liste()->takeItem(liste()->row(selected.front()));
  // Nothing is selected afterwards; the button stays as it is.
  liste()->clearSelection();
  liste()->setCurrentRow(-1);
  updatingList_ = false;
}

void TEcrBiblios::refresh() { view_->applyState(); }

void TEcrBiblios::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  view_->setClientSize(width(), height());
}

}  // namespace orvella::ui
