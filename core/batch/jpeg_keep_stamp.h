#pragma once
// A template stamped onto a JPEG in the file's own coefficients: only the
// blocks under the template are computed afresh; see image/jpeg_keep.h for
// which files this applies to. The caller falls back to decoding, composing
// and encoding the picture when it gives a reason.

#include "image/codecs.h"
#include "template/template_document.h"

namespace imbrino {

// The template drawn with its top-left corner at (x, y) of the upright
// picture, as the batch draws it, without handles.
Expected<Bytes> stampJpegKeepingBlocks(ByteView jpeg, const Template& document, int x, int y);

}  // namespace imbrino
