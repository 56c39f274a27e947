// One writer per settings file: the first start of the program for a
// settings file holds a lock and listens; a later start for the same file
// asks the running one to come to the front (it rings a doorbell file that
// the running one watches) and ends without touching the settings file. A
// lock left by a process that died is taken over. Each ring makes the
// doorbell one byte longer: the running one answers when its size grows,
// told by the watcher at once or by a look once a second (Windows' watcher
// compares times to the millisecond, and misses a ring made within the
// millisecond the doorbell was made).
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QFileSystemWatcher;

namespace orvella::ui {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  enum class Result {
    Primary,          // this process holds the lock: go on
    OtherActivated,   // another process holds it and was asked to come forward
    OtherUnreachable  // another process holds it but did not answer
  };

  // settingsPath: the settings file the lock protects (any text naming it).
  explicit SingleInstance(const QString& settingsPath, QObject* parent = nullptr);
  ~SingleInstance() override;

  Result acquire();
  // Called in the running process when a later start asks for the window.
  std::function<void()> onActivate;

  // Where the lock and the doorbell live, from the settings file's path.
  QString lockPath() const { return lockPath_; }
  QString bellPath() const { return bellPath_; }

 private:
  bool listen();
  bool ring();
  void answer();

  QString lockPath_;
  QString bellPath_;
  std::unique_ptr<QLockFile> lock_;
  QFileSystemWatcher* watcher_ = nullptr;
  qint64 heard_ = 0;  // the doorbell's size when last answered
};

}  // namespace orvella::ui
