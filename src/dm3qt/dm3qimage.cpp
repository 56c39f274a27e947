#include "dm3qt/dm3qimage.h"

#include <QPainter>
#include <QRect>
#include <cstring>

namespace orvella {

namespace {

QList<QRgb> ColourTable(const dm3::Palette& palette) {
  QList<QRgb> colours;
  colours.reserve(static_cast<qsizetype>(palette.size()));
  for (const dm3::PaletteEntry& e : palette) colours.append(qRgb(e.red, e.green, e.blue));
  return colours;
}

}  // namespace

QImage ToQImage(const dm3::Bitmap8& bitmap, const dm3::Palette& palette) {
  QImage image(bitmap.width, bitmap.height, QImage::Format_Indexed8);
  if (image.isNull()) return image;
  image.setColorTable(ColourTable(palette));
  for (int y = 0; y < bitmap.height; ++y)
    std::memcpy(image.scanLine(y), bitmap.Row(y), static_cast<std::size_t>(bitmap.width));
  return image;
}

QImage ToQImage(dm3::Bitmap8&& bitmap, const dm3::Palette& palette) {
  if (bitmap.width <= 0 || bitmap.height <= 0 ||
      bitmap.pixels.size() != static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height))
    return ToQImage(static_cast<const dm3::Bitmap8&>(bitmap), palette);
  // The image owns the pixels from here on and frees them with its last copy.
  auto* pixels = new std::vector<std::uint8_t>(std::move(bitmap.pixels));
  QImage image(
      pixels->data(), bitmap.width, bitmap.height, bitmap.width, QImage::Format_Indexed8,
      [](void* p) { delete static_cast<std::vector<std::uint8_t>*>(p); }, pixels);
  if (image.isNull()) {
    delete pixels;
    return image;
  }
  image.setColorTable(ColourTable(palette));
  return image;
}

QImage WrapBitmap(const dm3::Bitmap8& bitmap, const dm3::Palette& palette, bool grey) {
  if (bitmap.width <= 0 || bitmap.height <= 0 ||
      bitmap.pixels.size() != static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height))
    return ToQImage(bitmap, palette);
  QImage image(bitmap.pixels.data(), bitmap.width, bitmap.height, bitmap.width,
               grey ? QImage::Format_Grayscale8 : QImage::Format_Indexed8);
  if (!grey) image.setColorTable(ColourTable(palette));
  return image;
}

QImage ToQImage(const TDM3Image& image) { return ToQImage(image.Bitmap(), image.GreyPalette()); }

void QPainterCanvas::CopyRect(const dm3::Rect& dest, const dm3::Bitmap8& source, const dm3::Palette& palette,
                              const dm3::Rect& sourceRect) {
  const QRect to(QPoint(dest.Left, dest.Top), QSize(dest.Right - dest.Left, dest.Bottom - dest.Top));
  const QRect from(QPoint(sourceRect.Left, sourceRect.Top),
                   QSize(sourceRect.Right - sourceRect.Left, sourceRect.Bottom - sourceRect.Top));
  painter_.drawImage(to, ToQImage(source, palette), from);
}

}  // namespace orvella
