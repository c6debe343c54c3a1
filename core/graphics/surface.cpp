#include "graphics/surface.h"

#include <algorithm>
#include <new>
#include <string>

#include "graphics/picture_limits.h"

namespace imbrino {

Expected<Surface> Surface::create(int width, int height, Pixel fill) {
  if (width < 0 || height < 0) return fail("negative picture size");
  if (width == 0 || height == 0) return Surface(width, height, {});
  if (auto refused = checkPictureSize(width, height)) return fail(*refused);
  try {
    std::vector<Pixel> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                              fill);
    return Surface(width, height, std::move(pixels));
  } catch (const std::bad_alloc&) {
    return fail("not enough memory for a " + std::to_string(width) + " x " +
                std::to_string(height) + " picture");
  }
}

void Surface::fill(Pixel p) { std::fill(pixels_.begin(), pixels_.end(), p); }

void Surface::fillRect(Rect r, Pixel p) {
  const Rect clipped = intersect(r, bounds());
  for (int y = clipped.y; y < clipped.y + clipped.height; ++y) {
    Pixel* line = row(y);
    std::fill(line + clipped.x, line + clipped.x + clipped.width, p);
  }
}

void Surface::drawSurface(const Surface& source, int x, int y) {
  const Rect target = intersect({x, y, source.width(), source.height()}, bounds());
  for (int ty = target.y; ty < target.y + target.height; ++ty) {
    const Pixel* from = source.row(ty - y) + (target.x - x);
    std::copy(from, from + target.width, row(ty) + target.x);
  }
}

bool Surface::isGrey() const {
  return std::all_of(pixels_.begin(), pixels_.end(), [](Pixel p) {
    return redOf(p) == greenOf(p) && greenOf(p) == blueOf(p);
  });
}

}  // namespace imbrino
