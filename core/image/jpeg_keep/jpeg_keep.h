#pragma once
// Stamping a JPEG without costing the photo a generation: the file's DCT
// coefficients are read as they are, only the blocks whose pixels the stamp
// changes are computed afresh (with the picture's own quantisation tables and
// sampling), and everything else is written back untouched, with the file's
// markers (EXIF, ICC profile, comments) carried over byte for byte.
//
// It applies to 8-bit YCbCr (three components) and greyscale pictures in any
// integral sampling, baseline or progressive. Everything here is in the
// picture as stored: a file's EXIF orientation is neither applied nor
// changed (batch/jpeg_keep_stamp.h turns the stamp instead). For anything
// else it gives a reason, and the caller stamps the decoded picture and
// encodes it again, as it always has.

#include <functional>
#include <vector>

#include "graphics/rect.h"
#include "graphics/surface.h"
#include "image/codecs.h"

namespace imbrino {

// Paints the stamp onto `region`, the picture's pixels (exactly as decodeJpeg
// gives them, before it turns them by the EXIF orientation) in the rectangle
// whose top-left corner lies at (left, top) of the picture as stored. It may change pixels only
// inside `area` (see below), moved to the region's coordinates.
using RegionPainter = std::function<void(Surface& region, int left, int top)>;

// Rewrites `jpeg` with `paint` applied to the pixels in `area` (clipped to
// the picture). Blocks whose pixels the painter leaves as they were keep
// their coefficients, so every block outside the MCUs that `area` touches is
// identical to the input's. When nothing changes (`area` off the picture, or
// a painter that draws nothing visible), the result is `jpeg` itself.
//
// Fails, with a reason, when the picture is not one this path handles (see
// above), cannot be read, or is greyscale and the stamp has colour (a grey
// file cannot hold it).
Expected<Bytes> stampJpegKeepingBlocks(ByteView jpeg, Rect area, const RegionPainter& paint);

// The picture at a glance, for choosing where a stamp goes: the mean
// luminance of each 8 x 8 block of its first component, as a grey picture (as
// stored), each pixel spanning `reduction` pixels of the picture.
struct BlockMeans {
  Surface picture;
  double reduction = 8;
};

// Picks one of the areas offered, by its index.
using RegionChoice = std::function<std::size_t(const BlockMeans& means)>;

// As above, with the stamp in whichever of `areas` `choose` picks; `paint`
// is then given that area's pixels. The block means come from the coefficients
// read for the stamp anyway, so choosing costs next to nothing.
Expected<Bytes> stampJpegKeepingBlocks(ByteView jpeg, const std::vector<Rect>& areas,
                                       const RegionChoice& choose, const RegionPainter& paint);

// The pixel rectangle of whole MCUs that `area` touches, clipped to the
// picture: what stampJpegKeepingBlocks may recompute at most. Empty when the
// header cannot be read or `area` misses the picture.
Rect jpegMcuRectangle(ByteView jpeg, Rect area);

}  // namespace imbrino
