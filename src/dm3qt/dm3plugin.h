// The plugin class that offers the DM3 handler to Qt's image machinery. It is
// linked statically into the program (RegisterDm3ImageFormat) and also built
// as the loadable imageformats plugin qdm3.
#pragma once

#include <QImageIOPlugin>

class Dm3ImageIOPlugin : public QImageIOPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "dm3.json")

 public:
  Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
  QImageIOHandler* create(QIODevice* device, const QByteArray& format = QByteArray()) const override;
};
