// The scenery check's window: the progress of a check with its Cancel, then
// the report grouped by library and by pack with a reason on each line and
// the repairs Orvella can make, what X-Plane's Log.txt said, and the map of
// tiles. It stays open beside the main window, which it asks for the
// repairs and the choice of a pack in the trees.
#pragma once

#include <QDialog>
#include <QList>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "logic/check/scenerycheck.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace orvella::ui {

class CheckRunner;
class TileMapView;

class CheckDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CheckDialog(QWidget* parent = nullptr);
  ~CheckDialog() override;

  // Checks the installation at folder on the runner's thread; the report
  // shows when it comes.
  void start(const std::string& folder, check::Options options);
  // Shows a report (what the runner answers).
  void showReport(std::shared_ptr<const check::Report> report);
  std::shared_ptr<const check::Report> report() const { return report_; }
  // Whether "Réactiver" is offered: the launch writes scenery_packs.ini.
  void setCanEnable(bool on) { canEnable_ = on; }

  // Opens a folder (a Windows path) in the desktop's file manager.
  std::function<void(const std::string&)> openFolder;

  CheckRunner* runner() const { return runner_; }
  QTreeWidget* reportTree() const { return tree_; }
  QTreeWidget* logTree() const { return log_; }
  TileMapView* map() const { return map_; }
  QTabWidget* tabs() const { return tabs_; }
  QProgressBar* progressBar() const { return progress_; }
  QPushButton* cancelButton() const { return cancel_; }
  QPushButton* copyButton() const { return copy_; }
  QLabel* status() const { return status_; }

 signals:
  void reportReady(std::shared_ptr<const check::Report> report);
  // The repairs: activate the scene at folder, enable the pack at folder in
  // scenery_packs.ini.
  void activateRequested(const QString& folder);
  void enableRequested(const QString& folder);
  // "Vérifier à nouveau".
  void recheckRequested();
  // A pack chosen on the map or the report: to be selected in its tree.
  void packChosen(const QString& name, const QString& folder);

 private:
  void running(bool on);
  void fillReport();
  void fillLog();
  // The folder of a pack of the report by its name; empty when unknown.
  std::string folderOf(const std::string& pack) const;
  QTreeWidgetItem* section(const QString& text);
  QTreeWidgetItem* packItem(QTreeWidgetItem* parent, const std::string& pack);
  enum class Action { None, Activate, Enable, Open };
  void addAction(QTreeWidgetItem* item, const QString& text, Action action, const std::string& folder);
  // A click on a line's action (column 2).
  void act(QTreeWidgetItem* item, int column);

  CheckRunner* runner_;
  std::shared_ptr<const check::Report> report_;
  std::unordered_map<std::string, std::string> folders_;  // of the report's packs, by name
  QList<QTreeWidgetItem*> sections_;                      // being filled
  // Lines whose children are made when they are first opened.
  std::map<QTreeWidgetItem*, std::function<void()>> pending_;
  bool canEnable_ = false;
  QLabel* status_;
  QProgressBar* progress_;
  QPushButton* cancel_;
  QTabWidget* tabs_;
  QTreeWidget* tree_;
  QTreeWidget* log_;
  TileMapView* map_;
  QPushButton* copy_;
  QPushButton* recheck_;
};

}  // namespace orvella::ui
