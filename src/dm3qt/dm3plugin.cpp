#include "dm3qt/dm3plugin.h"

#include "dm3qt/dm3handler.h"

QImageIOPlugin::Capabilities Dm3ImageIOPlugin::capabilities(QIODevice* device, const QByteArray& format) const {
  if (format == orvella::kDm3Format) return CanRead;
  if (!format.isEmpty() || !device || !device->isOpen()) return {};
  return orvella::Dm3ImageIOHandler::canRead(device) ? Capabilities(CanRead) : Capabilities();
}

QImageIOHandler* Dm3ImageIOPlugin::create(QIODevice* device, const QByteArray& format) const {
  auto* handler = new orvella::Dm3ImageIOHandler;
  handler->setDevice(device);
#ifdef ORVELLA_DM3_PLUGIN_MODULE
  // Loaded by other programs: the tag dump is Orvella's and dm3conv's alone.
  handler->setDumpTags(false);
#endif
  handler->setFormat(format.isEmpty() ? QByteArray(orvella::kDm3Format) : format);
  return handler;
}
