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
  // Progress reaches the window as one queued call at a time, carrying the
  // latest count: a check that runs faster than the window repaints never
  // floods its queue.
  struct Progress {
    std::atomic<int> done{0};
    std::atomic<int> total{0};
    std::atomic<bool> posted{false};
  };
  auto shared = std::make_shared<Progress>();
  running_ = true;
  QPointer<CheckRunner> self(this);
  options.progress = [self, shared, generation](int done, int total) {
    shared->done.store(done);
    shared->total.store(total);
    if (shared->posted.exchange(true)) return;
    QMetaObject::invokeMethod(
        self.data(),
        [self, shared, generation] {
          shared->posted.store(false);
          if (self && self->generation_ == generation && self->running_)
            emit self->progress(shared->done.load(), shared->total.load());
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
