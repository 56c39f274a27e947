// Runs the scenery check of one installation on a thread of its own, so that
// the window keeps answering: progress and the report come back to the
// window's thread as signals; cancel() asks the check to stop.
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "logic/check/scenerycheck.h"

namespace orvella::ui {

class CheckRunner : public QObject {
  Q_OBJECT
 public:
  explicit CheckRunner(QObject* parent = nullptr);
  // Asks a running check to stop and waits for its thread.
  ~CheckRunner() override;

  // Starts checking folder (a Windows path); a check still running is
  // cancelled first and its answer dropped. options.progress and
  // options.cancel are the runner's own.
  void start(const std::string& folder, check::Options options);
  void cancel();
  bool running() const { return running_; }

 signals:
  void progress(int done, int total);
  // The report (cancelled says whether the check was stopped).
  void finished(std::shared_ptr<const check::Report> report);
  // The installation could not be read.
  void failed(const QString& message);

 private:
  void stop();

  std::thread thread_;
  std::shared_ptr<std::atomic<bool>> cancel_;
  bool running_ = false;
  unsigned generation_ = 0;
};

}  // namespace orvella::ui
