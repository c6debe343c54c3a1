#pragma once
// Shows a core surface in a window without copying it: the surface's pixels
// (0xFFRRGGBB, rows packed) are exactly a Format_RGB32 image.

#include <QImage>

#include "graphics/surface.h"

namespace imbrino {

// The image shares the surface's memory: it is valid while the surface lives
// and is not resized.
inline QImage imageOfSurface(const Surface& surface) {
  return QImage(reinterpret_cast<const uchar*>(surface.pixels().data()), surface.width(),
                surface.height(), static_cast<qsizetype>(surface.stride()), QImage::Format_RGB32);
}

}  // namespace imbrino
