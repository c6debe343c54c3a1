#pragma once
// Cameras store a picture the way the sensor lay when it was taken and note in
// the EXIF record how it has to be turned for viewing. Pictures are read
// upright, so the JPEG reader looks up that note and turns the pixels
// accordingly; the record handed on with the picture then says "as stored".

#include <cstddef>
#include <optional>

#include "graphics/rect.h"
#include "image/codecs.h"

namespace imbrino {

// The orientation note of the main picture: the Orientation entry (a single
// SHORT) of the first IFD of a TIFF block, and where its value sits.
struct ExifOrientationEntry {
  std::size_t valueOffset = 0;  // from the start of the TIFF block
  int value = 0;                // as recorded, which need not be 1..8
};

// Finds the entry; nothing when the block is no TIFF block, records no
// orientation, records it in another form, or is cut short before it.
std::optional<ExifOrientationEntry> findExifOrientation(ByteView tiff);

// The orientation (1..8) recorded in the payload of an APP1 marker that holds
// EXIF data ("Exif\0\0" and a TIFF block). 1 (as stored) when the payload is no
// EXIF block, records no orientation or one outside 1..8, or cannot be read: a
// damaged EXIF block must not cost the picture.
int readExifOrientation(ByteView app1Payload);

// For a TIFF block whose picture has been turned upright: when the block
// records an orientation of 2..8 (the ones readExifOrientation turns by), it
// is set to 1 in place, in the block's byte order; every other byte stays.
// Returns the orientation that was recorded there, 1 when nothing changed.
int resetExifOrientation(Bytes& tiff);

// Turns a picture stored with the given EXIF orientation upright. Orientations
// 5 to 8 swap width and height and need a second picture's memory, which may
// fail; 1 and unknown values return the picture unchanged.
Expected<Surface> applyExifOrientation(Surface stored, int orientation);

// The other way: an upright picture turned back to the way a file with that
// orientation stores it, so undo(apply(p, o), o) == p.
Expected<Surface> undoExifOrientation(Surface upright, int orientation);

// Where a rectangle of the upright picture lies in the picture as a file with
// that orientation stores it (storedWidth x storedHeight), and back. The
// rectangles are taken within their picture; what lies outside is dropped.
Rect storedRectOf(Rect upright, int orientation, int storedWidth, int storedHeight);
Rect uprightRectOf(Rect stored, int orientation, int storedWidth, int storedHeight);

}  // namespace imbrino
