#pragma once
// Colour-keyed drawing for the little button pictures of the caption bar: a
// picture's pixels of the key colour are holes, everything else is copied
// exactly. The pictures are designed on a magenta ground, which the key makes
// disappear.

#include <QImage>
#include <optional>

#include "graphics/colour.h"

class QPalette;

namespace imbrino {

// Draws `bitmap` with its top-left corner at (x, y) on `target`, clipped to
// the target. Pixels of `bitmap` whose red, green and blue equal `key` exactly
// leave the target as it was; every other pixel is copied, opaque. A target
// that is not a 32-bit image is converted to one first (RGB32, or
// premultiplied ARGB32 when it has an alpha channel).
void drawTransparent(QImage& target, const QImage& bitmap, int x, int y, ColorRef key);

// `bitmap` as an image with an alpha channel: pixels whose red, green and
// blue equal `key` exactly become fully transparent, all others opaque, so a
// painter draws it as drawTransparent does.
QImage keyedTransparent(const QImage& bitmap, ColorRef key);

// A new picture of `base`'s size: filled with `key`, then `base` and then
// `overlay` drawn on it at (0, 0) with the key. Nothing when either picture is
// missing or null.
std::optional<QImage> overlayBitmaps(const QImage* base, const QImage* overlay, ColorRef key);

// Button pictures are drawn in the classic greys; like bitmaps loaded for 3-D
// controls, the three greys become the palette's shadow (128), face (192) and
// light (223) colours so the buttons match the desktop's theme. Other colours,
// the key included, stay as they are.
void mapGreysToPalette(QImage& image, const QPalette& palette);

}  // namespace imbrino
