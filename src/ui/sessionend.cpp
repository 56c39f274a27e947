#include "ui/sessionend.h"

#include <QGuiApplication>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#endif

namespace orvella::ui {

#ifdef Q_OS_UNIX
namespace {
int gSignalFd[2] = {-1, -1};

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // Only async-signal-safe calls here; a full pipe already says enough.
  [[maybe_unused]] const ssize_t n = ::write(gSignalFd[0], &byte, 1);
  errno = saved;
}
}  // namespace
#endif

SessionEnd::SessionEnd(QObject* parent) : QObject(parent) {
  auto fire = [this] {
    if (onTerminate) onTerminate();
  };
  // The desktop asks the program to save before the session ends.
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    connect(app, &QGuiApplication::commitDataRequest, this, fire);
#ifdef Q_OS_UNIX
  if (gSignalFd[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalFd) == 0) {
    ::fcntl(gSignalFd[0], F_SETFL, O_NONBLOCK);
    auto* notifier = new QSocketNotifier(gSignalFd[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [fire] {
      char buffer[64];
      while (::read(gSignalFd[1], buffer, sizeof buffer) > 0) {
      }
      fire();
    });
    ::fcntl(gSignalFd[1], F_SETFL, O_NONBLOCK);
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(sig, &sa, nullptr);
  }
#endif
}

SessionEnd::~SessionEnd() {
#ifdef Q_OS_UNIX
  struct sigaction sa = {};
  sa.sa_handler = SIG_DFL;
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(sig, &sa, nullptr);
#endif
}

}  // namespace orvella::ui
