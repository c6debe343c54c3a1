#pragma once
// Computing a JPEG's blocks afresh from pixels, the way libjpeg encodes them:
// its RGB to YCbCr conversion, chroma averaged over each sample's pixels, the
// picture's edge repeated past it, a forward DCT, and rounding to the
// picture's own quantisation steps.

#include <functional>
#include <vector>

#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

#include "graphics/rect.h"
#include "graphics/surface.h"

namespace imbrino {

// One component of the picture: each sample covers stepX x stepY pixels; the
// real blocks (without those that pad the last MCU) and its steps.
struct ComponentBlocks {
  int stepX = 1;
  int stepY = 1;
  int widthInBlocks = 0;
  int heightInBlocks = 0;
  const UINT16* quant = nullptr;  // natural order
};

// Recomputes every block, of every component, that covers a pixel where
// `before` and `after` (the pixels of `region` of a width x height picture)
// differ. `blockAt(component, bx, by)` gives where the block's coefficients
// go (natural order). One component means greyscale; three are Y, Cb, Cr.
// Gives how many blocks were recomputed.
int recomputeChangedBlocks(const std::vector<ComponentBlocks>& components, int width, int height,
                           Rect region, const Surface& before, const Surface& after,
                           const std::function<JCOEF*(int, int, int)>& blockAt);

}  // namespace imbrino
