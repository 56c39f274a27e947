// The plugin class that offers the DM3 handler to Qt's image machinery. It is
// built twice: as a static plugin linked into the program, dm3conv and the
// tests (imported when they start), and as the loadable imageformats plugin
// qdm3 for any Qt program, which writes no tag dump.
#pragma once

#include <QImageIOPlugin>

class Dm3ImageIOPlugin : public QImageIOPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "dm3.json")

 public:
  Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
  QImageIOHandler* create(QIODevice* device, const QByteArray& format = QByteArray()) const override;
};
