// The program's real dialogue with the user, through Qt: message boxes,
// questions, the input box, the folder picker, the two dialogs, the busy
// cursor and the mouse position.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>

#include "logic/core/interaction.h"

class QMessageBox;

namespace orvella::ui {

class QtInteraction : public Interaction {
 public:
  // The window that owns the boxes and dialogs (the main window).
  void setMainWindow(QWidget* window) { mainWindow_ = window; }

  void ShowMessage(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  bool WarnYesNo(const std::string& text, Point at) override;
  std::optional<std::string> InputBox(const std::string& title, const std::string& prompt,
                                      const std::string& initial) override;
  std::optional<std::string> PickFolder(const std::string& prompt) override;
  int AskCopyOrMove() override;
  std::vector<std::string> EditLibraries(const std::vector<std::string>& folders) override;
  void SetBusyCursor(bool busy) override;
  Point MousePos() override;
  void ShowOrder(const std::string& title, const std::vector<OrderLine>& lines,
                 const std::vector<std::string>& warnings) override;
  bool RunLong(const std::string& text, LongTask& task, const std::function<void()>& work) override;

  // Where the warning box opens for a requested top-left corner: a negative
  // coordinate is not applied (the box stays centred on the screen along
  // that axis), and the box stays whole on the screen.
  static QPoint warningPosition(const QSize& boxSize, Point at, const QRect& screen);

  int busyDepth() const { return busyDepth_; }
  // The folder the folder picker opens on.
  static QString folderPickerStart();

 private:
  QWidget* owner() const;

  QPointer<QWidget> mainWindow_;
  int busyDepth_ = 0;
};

}  // namespace orvella::ui
