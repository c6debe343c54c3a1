#include "render/surface.h"

#include <algorithm>
#include <limits>
#include <new>
#include <string>

#include "image/decode_limits.h"

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
