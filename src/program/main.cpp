// The program's entry: the application with its title (the DM3 picture
// format comes with the statically linked image plugin), one running program per settings file, the main window (its
// creation reads the settings file), the event loop until the window closes
// (which writes the settings file back). The end of the desktop session and
// the termination signals close the window the same way.
#include <QApplication>
#include <QMessageBox>

#include "logic/core/filelocations.h"
#include "logic/core/interaction.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "platform/winapi.h"
#include "qtansi/ansiqt.h"
#include "ui/apptitle.h"
#include "ui/mainwindow.h"
#include "ui/qtinteraction.h"
#include "ui/qttranslations.h"
#include "ui/sessionend.h"
#include "ui/singleinstance.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  orvella::ui::InstalleTraductionsQt(app);
  const QString title = QStringLiteral("X-Plane Orvella");
  orvella::ui::SetApplicationTitle(title);
  const std::string exePath = platform::ExecutablePath();
  // Where the settings live is worked out once (it tries a probe file).
  const std::string settingsFile = orvella::CheminParametres(exePath);

  // A second start for the same settings file shows the running window and
  // ends without writing anything.
  orvella::ui::SingleInstance instance(orvella::FromAnsi(settingsFile));
  switch (instance.acquire()) {
    case orvella::ui::SingleInstance::Result::Primary:
      break;
    case orvella::ui::SingleInstance::Result::OtherActivated:
      return 0;
    case orvella::ui::SingleInstance::Result::OtherUnreachable:
      QMessageBox::warning(nullptr, title,
                           QStringLiteral("Orvella est déjà en cours d'exécution : "
                                          "fermez-le avant de le relancer."));
      return 1;
  }
  orvella::ui::SessionEnd sessionEnd;

  platform::InitializeCom();
  int result = 0;
  {
    orvella::ui::QtInteraction interaction;
    orvella::ScopedUI scope(interaction);
    orvella::ui::TEcrOrvella window;
    interaction.setMainWindow(&window);
    bool created = false;
    bool endRequested = false;
    instance.onActivate = [&window] { window.bringToFront(); };
    sessionEnd.onTerminate = [&] {
      if (!created) {
        // The settings are still being read: close once they are.
        endRequested = true;
        return;
      }
      window.closeForSessionEnd();
    };
    window.formCreate(exePath, settingsFile);
    created = true;
    window.show();
    if (endRequested) window.closeForSessionEnd();
    result = QApplication::exec();
  }
  platform::UninitializeCom();
  return result;
}
