// Links the plugin class into the program: this library compiles it as a
// static plugin, whose entry point is registered here once.
#include <QtPlugin>

#include "dm3qt/dm3format.h"

extern const QStaticPlugin qt_static_plugin_Dm3ImageIOPlugin();

namespace orvella {

void RegisterDm3ImageFormat() {
  static const bool registered = [] {
    qRegisterStaticPluginFunction(qt_static_plugin_Dm3ImageIOPlugin());
    return true;
  }();
  (void)registered;
}

}  // namespace orvella
