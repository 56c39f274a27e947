// DM3 bitmaps in Qt's picture types: the display bitmap as a QImage, and
// drawing through a QPainter.
#pragma once

#include <QImage>

#include "logic/dm3/dm3image.h"

class QPainter;

namespace orvella {

// The bitmap as an 8-bit indexed image (Format_Indexed8) with the palette.
QImage ToQImage(const dm3::Bitmap8& bitmap, const dm3::Palette& palette);
// The same, taking over the bitmap's pixels instead of copying them.
QImage ToQImage(dm3::Bitmap8&& bitmap, const dm3::Palette& palette);
// An image over the bitmap's own pixels, without a copy: the bitmap must
// outlive it and stay unchanged. Format_Indexed8 with the palette, or, for
// writers that would convert an indexed image first, Format_Grayscale8 (the
// same levels, the palette being grey).
QImage WrapBitmap(const dm3::Bitmap8& bitmap, const dm3::Palette& palette, bool grey);
// The display bitmap of a loaded picture, with its 256-entry grey palette.
QImage ToQImage(const TDM3Image& image);

// Draws pictures (TDM3Image::Draw) with a QPainter, unscaled.
class QPainterCanvas : public dm3::Canvas {
 public:
  explicit QPainterCanvas(QPainter& painter) : painter_(painter) {}
  void CopyRect(const dm3::Rect& dest, const dm3::Bitmap8& source, const dm3::Palette& palette,
                const dm3::Rect& sourceRect) override;

 private:
  QPainter& painter_;
};

}  // namespace orvella
