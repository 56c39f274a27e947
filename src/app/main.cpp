// The program's entry: the DM3 picture format, the application with its
// title, the main window (its creation reads the settings file beside the
// executable), the event loop until the window closes (which writes the
// settings file back).
#include <QApplication>

#include "logic/core/interaction.h"
#include "platform/winapi.h"
#include "ui/ansiqt.h"
#include "ui/qtinteraction.h"
#include "ui/tecrorvella.h"
#include "ui/traductionsqt.h"

#ifdef ORVELLA_HAVE_DM3QT
#include "dm3qt/dm3format.h"
#endif

int main(int argc, char* argv[]) {
#ifdef ORVELLA_HAVE_DM3QT
  orvella::RegisterDm3ImageFormat();
#endif
  QApplication app(argc, argv);
  orvella::ui::InstalleTraductionsQt(app);
  orvella::ui::SetApplicationTitle(QStringLiteral("X-Plane Orvella"));
  platform::InitializeCom();
  int result = 0;
  {
    orvella::ui::QtInteraction interaction;
    orvella::ScopedUI scope(interaction);
    orvella::ui::TEcrOrvella window;
    interaction.setMainWindow(&window);
    window.formCreate(platform::ExecutablePath());
    window.show();
    result = QApplication::exec();
  }
  platform::UninitializeCom();
  return result;
}
