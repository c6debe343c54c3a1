#pragma once
// Points and rectangles in pixels. Rectangles come from documents too, whose
// coordinates may be anything a 32-bit field holds: edges are computed in 64
// bits, and results that would leave the 32-bit range stop at its ends.

#include <cstdint>

namespace imbrino {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  std::int64_t right() const { return std::int64_t{x} + width; }
  std::int64_t bottom() const { return std::int64_t{y} + height; }
  bool empty() const { return width <= 0 || height <= 0; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The part of `r` inside `bounds`.
Rect intersect(Rect r, Rect bounds);

// `r` moved by (dx, dy); edges that would leave the 32-bit range stop at it.
Rect translate(Rect r, std::int64_t dx, std::int64_t dy);

}  // namespace imbrino
