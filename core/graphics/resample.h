#pragma once
// Resizing pictures with filtering, for marks drawn at another size than
// they were designed at: each axis is averaged over the source pixels a
// destination pixel covers when it shrinks, and interpolated linearly between
// the nearest source pixels when it grows.

#include "graphics/surface.h"

namespace imbrino {

// `from` of `source` (clipped to the source) resized to width x height.
// Fails for an empty source or target and when memory runs out.
Expected<Surface> resampleSurface(const Surface& source, Rect from, int width, int height);

}  // namespace imbrino
