#include "ui/checkrunner.h"

#include <QMetaObject>
#include <QPointer>

#include <exception>

#include "qtansi/ansiqt.h"

namespace orvella::ui {

CheckRunner::CheckRunner(QObject* parent) : QObject(parent) {
  qRegisterMetaType<std::shared_ptr<const check::Report>>();
}

CheckRunner::~CheckRunner() { stop(); }

void CheckRunner::stop() {
  if (cancel_) cancel_->store(true);
  if (thread_.joinable()) thread_.join();
  running_ = false;
}

void CheckRunner::cancel() {
  if (cancel_) cancel_->store(true);
}

void CheckRunner::start(const std::string& folder, check::Options options) {
  stop();
  const unsigned generation = ++generation_;
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  auto lastDone = std::make_shared<std::atomic<int>>(-1);
  running_ = true;
  QPointer<CheckRunner> self(this);
  // Progress reaches the window once per pack at most: a queued call per
  // change, none when the count stands still.
  options.progress = [self, lastDone, generation](int done, int total) {
    if (lastDone->exchange(done) == done) return;
    QMetaObject::invokeMethod(
        self.data(),
        [self, done, total, generation] {
          if (self && self->generation_ == generation && self->running_) emit self->progress(done, total);
        },
        Qt::QueuedConnection);
  };
  options.cancel = cancel_.get();
  thread_ = std::thread([self, folder, options = std::move(options), cancel = cancel_, generation] {
    std::shared_ptr<const check::Report> report;
    QString error;
    try {
      report = std::make_shared<const check::Report>(check::CheckInstallation(folder, options));
    } catch (const std::exception& e) {
      error = MessageText(e.what());
    } catch (...) {
      error = QStringLiteral("?");
    }
    (void)cancel;  // keeps the flag alive while the check reads it
    QMetaObject::invokeMethod(
        self.data(),
        [self, report, error, generation] {
          if (!self || self->generation_ != generation) return;
          if (self->thread_.joinable()) self->thread_.join();
          self->running_ = false;
          if (report)
            emit self->finished(report);
          else
            emit self->failed(error);
        },
        Qt::QueuedConnection);
  });
}

}  // namespace orvella::ui
