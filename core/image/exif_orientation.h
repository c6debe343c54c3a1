#pragma once
// Cameras store a picture the way the sensor lay when it was taken and note in
// the EXIF block how it has to be turned for viewing. Pictures are read upright,
// so the JPEG reader looks up that note and turns the pixels accordingly.

#include "image/codecs.h"

namespace imbrino {

// The orientation (1..8) recorded in the payload of an APP1 marker that holds
// EXIF data ("Exif\0\0" and a TIFF block). 1 (as stored) when the payload is no
// EXIF block, records no orientation or one outside 1..8, or cannot be read: a
// damaged EXIF block must not cost the picture.
int readExifOrientation(ByteView app1Payload);

// Turns a picture stored with the given EXIF orientation upright. Orientations
// 5 to 8 swap width and height and need a second picture's memory, which may
// fail; 1 and unknown values return the picture unchanged.
Expected<Surface> applyExifOrientation(Surface stored, int orientation);

}  // namespace imbrino
