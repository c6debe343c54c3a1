#pragma once
// A template stamped onto a JPEG in the file's own coefficients: only the
// blocks under the template are computed afresh; see image/jpeg_keep.h for
// which files this applies to. The caller falls back to decoding, composing
// and encoding the picture when it gives a reason.

#include <optional>

#include "batch/placement.h"
#include "image/codecs.h"
#include "template/template_document.h"
#include "text/text_fields.h"

namespace imbrino {

// How a JPEG result is written when the source is a JPEG too: decoded,
// stamped and encoded again (the default, what the desktop program writes),
// or stamped in the source's own coefficients where that path applies.
enum class JpegWriting { Reencode, Keep };

// The template drawn with its top-left corner at (x, y) of the upright
// picture, as the batch draws it, without handles. A photo its EXIF
// orientation turns keeps that orientation (and every block the stamp does
// not reach): the stamp is turned into the picture as stored.
Expected<Bytes> stampJpegKeepingBlocks(ByteView jpeg, const Template& document, int x, int y,
                                       const PictureFields* fields = nullptr);

// The same, at the place the batch puts the template on this picture: the
// offsets come from the size in the file's header, turned as its EXIF
// orientation turns it (the upright size the batch places by). `fields`, when
// given, are the picture's but for its size, which the header gives.
Expected<Bytes> stampJpegKeepingBlocks(ByteView jpeg, const Template& document, PlacementMode mode,
                                       PlacementValues values,
                                       std::optional<PictureFields> fields = std::nullopt);

}  // namespace imbrino
