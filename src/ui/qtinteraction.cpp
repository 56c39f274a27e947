#include "ui/qtinteraction.h"

#include <QDir>

#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

#include "logic/order/orderline.h"
#include "platform/winapi.h"
#include "qtansi/ansiqt.h"
#include "ui/apptitle.h"
#include "ui/copydialog.h"
#include "ui/librariesdialog.h"
#include "ui/longtaskdialog.h"
#include "ui/orderdialog.h"

namespace orvella::ui {

namespace {

// The French Oui and Non buttons of a question, Oui the default and Non the
// answer of Escape; answers Oui.
QPushButton* AddOuiNon(QMessageBox& box) {
  QPushButton* yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  return yes;
}

}  // namespace

QWidget* QtInteraction::owner() const {
  if (mainWindow_) return mainWindow_;
  return QApplication::activeWindow();
}

void QtInteraction::ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), MessageText(text), QMessageBox::Ok, owner());
  box.exec();
}

bool QtInteraction::Confirm(const std::string& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Confirmation"), MessageText(text), QMessageBox::NoButton,
                  owner());
  QPushButton* yes = AddOuiNon(box);
  box.exec();
  return box.clickedButton() == yes;
}

QPoint QtInteraction::WarningPosition(const QSize& boxSize, Point at, const QRect& screen) {
  QPoint p(screen.left() + (screen.width() - boxSize.width()) / 2,
           screen.top() + (screen.height() - boxSize.height()) / 2);
  if (at.x >= 0) p.setX(at.x);
  if (at.y >= 0) p.setY(at.y);
  // Near the right or bottom edge the box moves in just enough to be seen
  // whole: a question that cannot be read cannot be answered.
  p.setX(std::max(screen.left(), std::min(p.x(), screen.right() + 1 - boxSize.width())));
  p.setY(std::max(screen.top(), std::min(p.y(), screen.bottom() + 1 - boxSize.height())));
  return p;
}

bool QtInteraction::WarnYesNo(const std::string& text, Point at) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Avertissement"), MessageText(text), QMessageBox::NoButton,
                  owner());
  QPushButton* yes = AddOuiNon(box);
  box.adjustSize();
  QScreen* screen = QGuiApplication::screenAt(QPoint(std::max(at.x, 0), std::max(at.y, 0)));
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (screen) box.move(WarningPosition(box.size(), at, screen->availableGeometry()));
  box.exec();
  return box.clickedButton() == yes;
}

std::optional<std::string> QtInteraction::InputBox(const std::string& title, const std::string& prompt,
                                                   const std::string& initial) {
  QInputDialog dlg(owner());
  dlg.setInputMode(QInputDialog::TextInput);
  dlg.setWindowTitle(FromAnsi(title));
  dlg.setLabelText(MessageText(prompt));
  dlg.setTextValue(FromAnsi(initial));
  dlg.setOkButtonText(QStringLiteral("OK"));
  dlg.setCancelButtonText(QStringLiteral("Annuler"));
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return ToAnsi(dlg.textValue());
}

QString QtInteraction::FolderPickerStart() {
  // Where the shell's picker opens on the desktop, this one opens in the
  // user's home folder.
  return QDir::homePath();
}

std::optional<std::string> QtInteraction::PickFolder(const std::string& prompt) {
#ifdef Q_OS_WIN
  // On Windows the shell's own folder dialog, owned by the main window.
  QWidget* parent = owner();
  std::string folder =
      platform::BrowseForFolder(parent ? reinterpret_cast<win::HANDLE>(parent->window()->winId()) : nullptr, prompt);
  if (folder.empty()) return std::nullopt;
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
#endif
  const QString chosen =
      QFileDialog::getExistingDirectory(owner(), FromAnsi(prompt), FolderPickerStart(), QFileDialog::ShowDirsOnly);
  if (chosen.isEmpty()) return std::nullopt;
  std::string path = WindowsPathFromHost(chosen);
  // A folder no drive reaches cannot be named by the program.
  if (path.empty()) return std::nullopt;
  // No final "\" except for the root of a drive.
  if (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

int QtInteraction::AskCopyOrMove() {
  TEcrConfirmeCopie dlg(owner());
  return dlg.exec();
}

std::vector<std::string> QtInteraction::EditLibraries(const std::vector<std::string>& folders) {
  QWidget* main = owner();
  TEcrBiblios dlg(main);
  dlg.setFolders(folders);
  const QRect frame = main ? main->frameGeometry() : QRect(QPoint(0, 0), dlg.size());
  dlg.move(dlg.placement(frame, QCursor::pos()));
  dlg.exec();
  return dlg.folders();
}

void QtInteraction::SetBusyCursor(bool busy) {
  if (busy) {
    ++busyDepth_;
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (busyDepth_ > 0) {
    --busyDepth_;
    QApplication::restoreOverrideCursor();
  }
}

Point QtInteraction::MousePos() {
  const QPoint p = QCursor::pos();
  return Point{p.x(), p.y()};
}

void QtInteraction::ShowOrder(const std::string& title, const std::vector<OrderLine>& lines,
                              const std::vector<std::string>& warnings) {
  TEcrOrdre dlg(title, lines, warnings, owner());
  dlg.exec();
}

bool QtInteraction::RunLong(const std::string& text, LongTask& task, const std::function<void()>& work) {
  return RunLongTask(owner(), FromAnsi(text), task, work);
}

}  // namespace orvella::ui
