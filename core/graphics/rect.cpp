#include "graphics/rect.h"

#include <algorithm>
#include <limits>

namespace imbrino {

namespace {
int clampToInt(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}
}  // namespace

Rect intersect(Rect r, Rect bounds) {
  const int left = std::max(r.x, bounds.x);
  const int top = std::max(r.y, bounds.y);
  const std::int64_t right = std::min(r.right(), bounds.right());
  const std::int64_t bottom = std::min(r.bottom(), bounds.bottom());
  if (right <= left || bottom <= top) return {left, top, 0, 0};
  return {left, top, clampToInt(right - left), clampToInt(bottom - top)};
}

Rect translate(Rect r, std::int64_t dx, std::int64_t dy) {
  const int left = clampToInt(r.x + dx);
  const int top = clampToInt(r.y + dy);
  return {left, top, clampToInt(std::max<std::int64_t>(0, clampToInt(r.right() + dx) - std::int64_t{left})),
          clampToInt(std::max<std::int64_t>(0, clampToInt(r.bottom() + dy) - std::int64_t{top}))};
}

}  // namespace imbrino
