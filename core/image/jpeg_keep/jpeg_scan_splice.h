#pragma once
// The quick way to stamp a JPEG in its coefficients, for the files cameras
// write: one sequential, Huffman-coded scan holding every component.
//
// The coded data is walked once without a transform. Only the MCU rows
// around the stamp are decoded to coefficients; their pixels come from a
// small JPEG made of just those rows, so no row above them is ever
// transformed. The new blocks are coded with the file's own Huffman tables and
// spliced in: the data before the first changed MCU is copied byte for byte,
// the data after the MCU that follows the last changed one is copied bit for
// bit (shifted to where it now starts), and from the next restart marker on,
// byte for byte again. Every marker, and anything after the end of the
// picture, is kept as it stands.

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

#include "graphics/rect.h"
#include "graphics/surface.h"
#include "image/codecs.h"
#include "image/jpeg_keep/jpeg_keep.h"

namespace imbrino {

// Gives the stamped pixels of `region`, whose picture pixels are `before`, or
// why the stamp cannot be kept.
using RegionStamp = std::function<Expected<Surface>(const Surface& before, Rect region)>;

// `header` has read the file's header up to its first scan, whose coded data
// starts at `scanStart`; `regions` are rectangles of whole MCUs the stamp may
// change (empty when it misses the picture). With more than one, `choose`
// picks the region from the picture's block means, gathered on the one walk
// through the coded data that every stamp takes anyway; the rows of every
// region are kept on the way.
//
// Nothing when the file is not one this way takes or its coded data is not
// perfectly clean (the caller then lets libjpeg read it); otherwise the
// stamped file, or the stamp's reason.
std::optional<Expected<Bytes>> spliceStampIntoScan(
    ByteView file, const jpeg_decompress_struct& header, std::size_t scanStart,
    const std::vector<Rect>& regions, const RegionChoice& choose, const RegionStamp& stamp);

}  // namespace imbrino
