// The library folders of the add-orphans command: a small modal dialog built
// from its component table and translated when created.
#pragma once

#include <QDialog>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "logic/core/form.h"

class QListWidget;
class QPushButton;

namespace orvella::ui {

class FormView;

// "Chemins de base des bibliothèques": the list of library folders, with
// buttons to add a folder (through the folder picker) and remove one.
class TEcrBiblios : public QDialog {
  Q_OBJECT
 public:
  explicit TEcrBiblios(QWidget* parent = nullptr);
  ~TEcrBiblios() override;

  Form& form() { return form_; }
  QWidget* control(std::string_view name) const;
  QPushButton* button(std::string_view name) const;
  QListWidget* liste() const;

  void setFolders(const std::vector<std::string>& folders);
  std::vector<std::string> folders() const;

  // Where the dialog opens: centred horizontally on the main window (its
  // frame), its bottom edge at the mouse pointer, and never with its top
  // above the top of the screen that holds the pointer.
  QPoint placement(const QRect& mainFrame, const QPoint& mouse) const;

  // The handlers of the dialog.
  void btnAjouteClick();
  void ListeClick();
  void btnSupprimeClick();

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  void refresh();

  Form form_;
  std::unique_ptr<FormView> view_;
  bool updatingList_ = false;
};

}  // namespace orvella::ui
