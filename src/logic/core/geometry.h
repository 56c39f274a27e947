// Points and rectangles in pixels, as the windows' controls and the
// interaction's dialogs place things.
#pragma once

namespace orvella {

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Rect&) const = default;
};

}  // namespace orvella
