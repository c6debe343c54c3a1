#pragma once
// The drawing verbs everything on a surface is made of: fill, copy, stretch
// (nearest pixel, optionally colour-keyed), blend with a constant opacity, and
// paint a colour through a coverage mask. A painter sees its surface through a
// window: logical coordinates are moved by `origin` and every verb is clipped
// to the clip rectangle and to the surface, on the source side as well.
//
// The template is composed through such a window straight onto the stamped
// picture, so composing costs the template's area, never the picture's.

#include <cstdint>

#include "graphics/surface.h"

namespace imbrino {

// An 8-bit coverage mask: 0 leaves a pixel, 255 paints it fully.
struct CoverageView {
  const std::uint8_t* coverage = nullptr;
  int width = 0;
  int height = 0;
};

class Painter {
 public:
  // The whole surface, logical = surface coordinates.
  explicit Painter(Surface& target);
  // Logical (0, 0) lies at `origin` on the target; drawing is kept inside
  // `logicalClip` (logical coordinates) as well as the target.
  Painter(Surface& target, Point origin, Rect logicalClip);

  // A painter on the same target whose logical (0, 0) is this painter's
  // `offset`, clipped further to `logicalClip` (in the new coordinates).
  Painter within(Point offset, Rect logicalClip) const;

  Surface& target() const { return *target_; }
  // What can still be drawn on, in logical coordinates.
  Rect clip() const;

  // Right and bottom edges exclusive. With alpha below 255 the colour is
  // blended over what is there.
  void fill(Rect r, Pixel colour, std::uint8_t alpha = 255);
  // `from` of `source` to `to`, same size.
  void copy(const Surface& source, Rect from, Point to);
  // `from` of `source` scaled to `to`, each destination pixel taking the
  // source pixel under its centre (no smoothing), laid over what is there
  // with `alpha` (the same as stretching onto a copy and blending that).
  void stretch(const Surface& source, Rect from, Rect to, std::uint8_t alpha = 255);
  // As stretch, but destination pixels whose source pixel is exactly `key`
  // are left as they were.
  void stretchKeyed(const Surface& source, Rect from, Rect to, Pixel key, std::uint8_t alpha = 255);
  // `from` of `source` over `to`, same size, per channel
  // source * alpha / 255 + destination * (255 - alpha) / 255, rounded.
  void blend(const Surface& source, Rect from, Point to, std::uint8_t alpha);
  // `colour` through the mask with its top-left at `to`: each pixel moves
  // toward the colour by its coverage.
  void paintMask(CoverageView mask, Point to, Pixel colour);

  // A copy of what lies under `r` (logical), clipped: the copy covers
  // `clip()` ∩ `r`, which is returned in `covered`. Fails only when memory
  // runs out.
  Expected<Surface> grab(Rect r, Rect& covered) const;

 private:
  Surface* target_;
  Point origin_;
  Rect clip_;  // in target coordinates, inside the target
};

// a * alpha / 255 + b * (255 - alpha) / 255 per channel, rounded.
Pixel mixPixels(Pixel a, Pixel b, std::uint8_t alpha);

}  // namespace imbrino
