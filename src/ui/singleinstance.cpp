#include "ui/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QThread>
#include <QTimer>

namespace orvella::ui {

namespace {
QString KeyOf(const QString& settingsPath) {
  // Paths name the same file whatever their case on Windows.
#ifdef Q_OS_WIN
  const QString normal = settingsPath.toCaseFolded();
#else
  const QString normal = settingsPath;
#endif
  return QString::fromLatin1(QCryptographicHash::hash(normal.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}
}  // namespace

SingleInstance::SingleInstance(const QString& settingsPath, QObject* parent) : QObject(parent) {
  const QDir temp(QDir::tempPath());
  const QString key = KeyOf(settingsPath);
  lockPath_ = temp.filePath(QStringLiteral("orvella-%1.lock").arg(key));
  bellPath_ = temp.filePath(QStringLiteral("orvella-%1.bell").arg(key));
}

SingleInstance::~SingleInstance() {
  if (watcher_) {
    delete watcher_;
    QFile::remove(bellPath_);
  }
  if (lock_) lock_->unlock();
}

SingleInstance::Result SingleInstance::acquire() {
  lock_ = std::make_unique<QLockFile>(lockPath_);
  // Only a dead owner makes a lock stale, never its age: a program that
  // stays open for days still owns its settings file.
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) {
    listen();
    return Result::Primary;
  }
  if (lock_->error() != QLockFile::LockFailedError) {
    // No lock can be made here at all (no temporary folder): go on alone
    // rather than refuse to start.
    lock_.reset();
    return Result::Primary;
  }
  // The running program may still be starting: give it a moment.
  for (int attempt = 0; attempt < 30; ++attempt) {
    if (ring()) return Result::OtherActivated;
    QThread::msleep(100);
    if (lock_->tryLock(0)) {  // it ended meanwhile
      listen();
      return Result::Primary;
    }
  }
  return Result::OtherUnreachable;
}

bool SingleInstance::listen() {
  QFile bell(bellPath_);
  if (!bell.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  bell.close();
  watcher_ = new QFileSystemWatcher(this);
  connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this](const QString&) {
    // Some systems stop watching a file once it changed.
    if (!watcher_->files().contains(bellPath_) && QFile::exists(bellPath_)) watcher_->addPath(bellPath_);
    answer();
  });
  auto* look = new QTimer(this);
  connect(look, &QTimer::timeout, this, &SingleInstance::answer);
  look->start(1000);
  return watcher_->addPath(bellPath_);
}

void SingleInstance::answer() {
  // A ring told twice (by the watcher and by the look) is answered once; a
  // doorbell emptied or removed by someone else is no ring.
  const qint64 size = QFileInfo(bellPath_).size();
  const bool rung = size > heard_;
  heard_ = size;
  if (rung && onActivate) onActivate();
}

bool SingleInstance::ring() {
  // The bell exists only while its owner watches it.
  if (!QFile::exists(bellPath_)) return false;
  QFile bell(bellPath_);
  if (!bell.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
  return bell.write("\n", 1) == 1;
}

}  // namespace orvella::ui
