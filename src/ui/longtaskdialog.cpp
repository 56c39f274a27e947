#include "ui/longtaskdialog.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <future>

#include "logic/texts/textes.h"
#include "qtansi/ansiqt.h"

namespace orvella::ui {

bool RunLongTask(QWidget* owner, const QString& text, LongTask& task, const std::function<void()>& work) {
  std::future<void> running = std::async(std::launch::async, work);
  auto over = [&running] { return running.wait_for(std::chrono::seconds(0)) == std::future_status::ready; };

  QEventLoop loop;
  QTimer poll;
  poll.setInterval(20);
  QElapsedTimer clock;
  clock.start();
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (over() || clock.elapsed() >= kProgressDelayMs) loop.quit();
  });
  poll.start();
  if (!over()) loop.exec(QEventLoop::ExcludeUserInputEvents);

  if (!over()) {
    QProgressDialog dialog(text, FromAnsi(Text("EcrProgression", "Annuler")), 0, task.total > 0 ? task.total : 0,
                           owner);
    dialog.setObjectName(QStringLiteral("EcrProgression"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    QObject::disconnect(&poll, nullptr, &loop, nullptr);
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] {
      task.cancelled = true;
      dialog.setLabelText(FromAnsi(Text("EcrProgression", "Annulation")));
    });
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
      if (over()) {
        loop.quit();
        return;
      }
      if (task.total > 0) dialog.setValue(std::min(task.done.load(), task.total - 1));
    });
    dialog.show();
    loop.exec();
  }
  running.get();
  return !task.cancelled;
}

}  // namespace orvella::ui
