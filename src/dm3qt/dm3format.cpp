#include "dm3qt/dm3format.h"

#include <QPainter>
#include <QRect>
#include <cstring>

#include "logic/core/ansi.h"

namespace orvella {

QImage ToQImage(const dm3::Bitmap8& bitmap, const dm3::Palette& palette) {
  QImage image(bitmap.width, bitmap.height, QImage::Format_Indexed8);
  if (image.isNull()) return image;
  QList<QRgb> colours;
  colours.reserve(static_cast<qsizetype>(palette.size()));
  for (const dm3::PaletteEntry& e : palette) colours.append(qRgb(e.red, e.green, e.blue));
  image.setColorTable(colours);
  for (int y = 0; y < bitmap.height; ++y)
    std::memcpy(image.scanLine(y), bitmap.Row(y), static_cast<std::size_t>(bitmap.width));
  return image;
}

QImage ToQImage(const TDM3Image& image) { return ToQImage(image.Bitmap(), image.GreyPalette()); }

QString QStringFromAnsi(std::string_view ansi) { return QString::fromStdString(Utf8FromAnsi(ansi)); }

std::string AnsiFromQString(const QString& text) { return Ansi(text.toStdString()); }

void QPainterCanvas::CopyRect(const dm3::Rect& dest, const dm3::Bitmap8& source, const dm3::Palette& palette,
                              const dm3::Rect& sourceRect) {
  const QRect to(QPoint(dest.Left, dest.Top), QSize(dest.Right - dest.Left, dest.Bottom - dest.Top));
  const QRect from(QPoint(sourceRect.Left, sourceRect.Top),
                   QSize(sourceRect.Right - sourceRect.Left, sourceRect.Bottom - sourceRect.Top));
  painter_.drawImage(to, ToQImage(source, palette), from);
}

}  // namespace orvella
