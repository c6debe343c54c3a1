#pragma once
// The JPEG writer behind encodeJpeg, open to extra markers so that metadata
// (an EXIF or ICC block) can be carried into the file later.

#include <span>

#include "image/codecs.h"

namespace imbrino {

struct JpegMarker {
  int code = 0;      // JPEG_APP0 + n or JPEG_COM
  ByteView payload;  // at most 65533 bytes
};

// encodeJpeg, with `markers` written in order right after the file's JFIF
// header.
Expected<Bytes> encodeJpegWithMarkers(const Surface& picture, const JpegOptions& options,
                                      std::span<const JpegMarker> markers);

}  // namespace imbrino
