// The end of the desktop session and the polite termination signals
// (SIGTERM, SIGHUP, SIGINT) close the program as its close box does, so that
// the settings are written. The signal handler only writes a byte to a pipe;
// the close runs later in the event loop.
#pragma once

#include <QObject>

#include <functional>

namespace orvella::ui {

class SessionEnd : public QObject {
  Q_OBJECT
 public:
  explicit SessionEnd(QObject* parent = nullptr);
  ~SessionEnd() override;
  // Called in the event loop once per termination request.
  std::function<void()> onTerminate;
};

}  // namespace orvella::ui
