#pragma once
// The pixels of part of a JPEG, from its coefficients or its rows, exactly as
// decodeJpeg gives them there.

#include <cstdio>  // jpeglib.h needs FILE
#include <functional>

#include <jpeglib.h>

#include "graphics/rect.h"
#include "graphics/surface.h"
#include "image/codecs.h"

namespace imbrino {

// Block (bx, by) of component `c` of the picture, in natural order; null for
// a block the caller does not hold (it is then taken as all zeros).
using BlockSource = std::function<const JCOEF*(int c, int bx, int by)>;

// The picture's pixels in `region`, computed from the blocks of `window`
// alone: they are written as a JPEG of their own, with the picture's
// sampling and tables, and decoded. `window` is aligned to the picture's
// MCUs (or, for a picture of one component, to its blocks) and reaches one
// MCU past `region` on every side the picture goes on, so upsampling sees
// the neighbours it sees in the whole picture.
//
// Only for coefficients libjpeg would not smooth: those of a sequential file,
// or of a progressive one whose scans are all there.
Status decodeBlocksInWindow(const jpeg_decompress_struct& header, const BlockSource& blocks,
                            Rect window, Rect region, Surface& into);

// The window decodeBlocksInWindow needs for `region`, in units of
// unitWidth x unitHeight pixels, within the picture.
Rect blockWindowAround(Rect region, int unitWidth, int unitHeight, int pictureWidth,
                       int pictureHeight);

// The pixels of `region` of `jpeg`, decoded from the file's first row; rows
// below the region are never decoded.
Status decodeJpegRegion(ByteView jpeg, Rect region, Surface& into);

}  // namespace imbrino
