#pragma once
// A template stamped onto a JPEG in the file's own coefficients: only the
// blocks under the template are computed afresh; see image/jpeg_keep.h for
// which files this applies to. The caller falls back to decoding, composing
// and encoding the picture when it gives a reason.

#include <functional>
#include <optional>
#include <vector>

#include "batch/placement.h"
#include "image/codecs.h"
#include "image/jpeg_facts.h"
#include "image/jpeg_keep/jpeg_keep.h"
#include "template/template_document.h"
#include "text/text_fields.h"

namespace imbrino {

// How a JPEG result is written when the source is a JPEG too: decoded,
// stamped and encoded again (the default, what the desktop program writes),
// or stamped in the source's own coefficients where that path applies.
enum class JpegWriting { Reencode, Keep };

// Paints a stamp onto `region`, the upright picture's pixels in the rectangle
// whose top-left corner is (left, top) of the upright picture. It may change
// pixels only inside the area it was given.
using UprightPainter = std::function<void(Surface& region, int left, int top)>;

// Picks one of the areas offered, by its index, from the upright picture's
// block means (see image/jpeg_keep/jpeg_keep.h).
using UprightChoice = std::function<std::size_t(const BlockMeans& uprightMeans)>;

// Any stamp confined to one of `uprightAreas` of the upright picture, the one
// `choose` picks (asked only when there are several), for a file whose header
// gave `facts` (readJpegFacts).
Expected<Bytes> stampJpegKeepingBlocks(ByteView jpeg, const JpegFacts& facts,
                                       const std::vector<Rect>& uprightAreas,
                                       const UprightChoice& choose, const UprightPainter& paint);

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
