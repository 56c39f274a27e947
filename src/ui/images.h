// The program's pictures, drawn in code: the eight 16 x 16 node images of
// the scenery trees (index = node state) and the arrows of the move buttons.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace orvella::ui {

inline constexpr int kStateImageCount = 8;
inline constexpr int kStateImageSize = 16;

// 0 empty green ring, 1 ring half filled (lower right), 2 filled disc,
// 3..5 the same with a red question mark, 6 red no-entry sign, 7 red cross.
// A null pixmap for any other index.
QPixmap StateImage(int state);
// The same picture in every mode: a selected node shows its own image.
QIcon StateIcon(int state);
// A red arrow pointing up or down, drawn grey for the disabled button.
QIcon ArrowIcon(bool up);

}  // namespace orvella::ui
