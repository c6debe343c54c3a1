#include "render/painter.h"

#include <algorithm>
#include <vector>

namespace imbrino {
namespace {

Rect translate(Rect r, Point by) {
  return translate(r, by.x, by.y);
}

// Maps destination pixels of a stretch to source pixels: the source pixel
// under each destination pixel's centre. Document sizes can be anything a
// 32-bit field holds, so the product takes 128 bits.
std::int64_t sourceIndex(std::int64_t destination, int destinationSize, int sourceStart,
                         int sourceSize) {
  __extension__ using Wide = __int128;
  const Wide numerator = (2 * Wide{destination} + 1) * sourceSize;
  return sourceStart + static_cast<std::int64_t>(numerator / (2 * Wide{destinationSize}));
}

}  // namespace

Pixel mixPixels(Pixel a, Pixel b, std::uint8_t alpha) {
  // Red and blue travel together in one word, green alone: each channel's sum
  // stays below 2^16, so the rounding division by 255 of one cannot carry
  // into the other.
  constexpr std::uint32_t kRedBlue = 0x00FF00FF;
  const std::uint32_t inverse = 255u - alpha;
  std::uint32_t redBlue = (a & kRedBlue) * alpha + (b & kRedBlue) * inverse + 0x00800080u;
  redBlue = ((redBlue + ((redBlue >> 8) & kRedBlue)) >> 8) & kRedBlue;
  std::uint32_t green = ((a >> 8) & 0xFF) * alpha + ((b >> 8) & 0xFF) * inverse + 0x80u;
  green = ((green + (green >> 8)) >> 8) & 0xFF;
  return 0xFF000000u | redBlue | (green << 8);
}

Painter::Painter(Surface& target) : target_(&target), clip_(target.bounds()) {}

Painter::Painter(Surface& target, Point origin, Rect logicalClip)
    : target_(&target),
      origin_(origin),
      clip_(intersect(translate(logicalClip, origin), target.bounds())) {}

Painter Painter::within(Point offset, Rect logicalClip) const {
  Painter inner(*this);
  const Rect moved = translate({origin_.x, origin_.y, 0, 0}, offset);
  inner.origin_ = {moved.x, moved.y};
  inner.clip_ = intersect(translate(logicalClip, inner.origin_), clip_);
  return inner;
}

Rect Painter::clip() const {
  return translate(clip_, -std::int64_t{origin_.x}, -std::int64_t{origin_.y});
}

void Painter::fill(Rect r, Pixel colour, std::uint8_t alpha) {
  if (alpha == 0) return;
  const Rect area = intersect(translate(r, origin_), clip_);
  for (int y = area.y; y < area.y + area.height; ++y) {
    Pixel* row = target_->row(y) + area.x;
    if (alpha == 255) {
      std::fill(row, row + area.width, colour);
    } else {
      for (int i = 0; i < area.width; ++i) row[i] = mixPixels(colour, row[i], alpha);
    }
  }
}

void Painter::copy(const Surface& source, Rect from, Point to) {
  blend(source, from, to, 255);
}

void Painter::blend(const Surface& source, Rect from, Point to, std::uint8_t alpha) {
  if (alpha == 0) return;
  // Destination rectangle, then whatever of it maps onto the source's pixels.
  const Rect wanted = translate({to.x, to.y, from.width, from.height}, origin_);
  // Where the source's own pixels land on the target.
  const Rect sourceInTarget =
      translate(intersect(from, source.bounds()), std::int64_t{wanted.x} - from.x,
                std::int64_t{wanted.y} - from.y);
  const Rect area = intersect(intersect(wanted, clip_), sourceInTarget);
  if (area.empty()) return;
  // source = destination + shift; both ends lie inside their surfaces now.
  const Point shift{static_cast<int>(std::int64_t{from.x} - wanted.x),
                    static_cast<int>(std::int64_t{from.y} - wanted.y)};
  for (int y = area.y; y < area.y + area.height; ++y) {
    Pixel* out = target_->row(y) + area.x;
    const Pixel* in = source.row(y + shift.y) + area.x + shift.x;
    if (alpha == 255) {
      std::copy(in, in + area.width, out);
    } else {
      for (int i = 0; i < area.width; ++i) out[i] = mixPixels(in[i], out[i], alpha);
    }
  }
}

namespace {

template <class Put>
void stretchWith(Surface& target, Rect clip, Point origin, const Surface& source, Rect from,
                 Rect to, Put put) {
  if (from.empty() || to.empty()) return;
  const Rect area = intersect(translate(to, origin), clip);
  if (area.empty()) return;
  // The destination's corner on the target, unclipped: the scale is always
  // that of the whole destination, even where its far edges lie past the
  // 32-bit range.
  const std::int64_t left = std::int64_t{to.x} + origin.x;
  const std::int64_t top = std::int64_t{to.y} + origin.y;
  // Source column of every destination column in the area, once; -1 where
  // it falls outside the source.
  std::vector<int> columns(static_cast<std::size_t>(area.width));
  for (int i = 0; i < area.width; ++i) {
    const std::int64_t sx = sourceIndex(area.x + i - left, to.width, from.x, from.width);
    columns[i] = sx >= 0 && sx < source.width() ? static_cast<int>(sx) : -1;
  }
  for (int y = area.y; y < area.y + area.height; ++y) {
    const std::int64_t sy = sourceIndex(y - top, to.height, from.y, from.height);
    if (sy < 0 || sy >= source.height()) continue;
    const Pixel* in = source.row(static_cast<int>(sy));
    Pixel* out = target.row(y) + area.x;
    for (int i = 0; i < area.width; ++i)
      if (columns[i] >= 0) put(out[i], in[columns[i]]);
  }
}

}  // namespace

void Painter::stretch(const Surface& source, Rect from, Rect to, std::uint8_t alpha) {
  if (alpha == 255)
    stretchWith(*target_, clip_, origin_, source, from, to, [](Pixel& out, Pixel in) { out = in; });
  else if (alpha != 0)
    stretchWith(*target_, clip_, origin_, source, from, to,
                [alpha](Pixel& out, Pixel in) { out = mixPixels(in, out, alpha); });
}

void Painter::stretchKeyed(const Surface& source, Rect from, Rect to, Pixel key,
                           std::uint8_t alpha) {
  if (alpha == 0) return;
  stretchWith(*target_, clip_, origin_, source, from, to, [key, alpha](Pixel& out, Pixel in) {
    if (in != key) out = alpha == 255 ? in : mixPixels(in, out, alpha);
  });
}

void Painter::paintMask(CoverageView mask, Point to, Pixel colour) {
  const Rect wanted = translate({to.x, to.y, mask.width, mask.height}, origin_);
  const Rect area = intersect(wanted, clip_);
  for (int y = area.y; y < area.y + area.height; ++y) {
    const std::uint8_t* cover =
        mask.coverage + static_cast<std::size_t>(y - wanted.y) * mask.width + (area.x - wanted.x);
    Pixel* out = target_->row(y) + area.x;
    for (int i = 0; i < area.width; ++i) {
      if (cover[i] == 255)
        out[i] = colour;
      else if (cover[i] != 0)
        out[i] = mixPixels(colour, out[i], cover[i]);
    }
  }
}

Expected<Surface> Painter::grab(Rect r, Rect& covered) const {
  const Rect area = intersect(translate(r, origin_), clip_);
  covered = translate(area, -std::int64_t{origin_.x}, -std::int64_t{origin_.y});
  auto copy = Surface::create(area.width, area.height);
  if (!copy) return copy;
  Painter(*copy).copy(*target_, area, {0, 0});
  return copy;
}

}  // namespace imbrino
