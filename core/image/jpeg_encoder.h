#pragma once
// The JPEG writer behind encodeJpeg, open to extra markers, which is how the
// metadata (an EXIF record, an ICC profile) is carried into the file.

#include <span>

#include "image/codecs.h"

namespace imbrino {

struct JpegMarker {
  int code = 0;      // JPEG_APP0 + n or JPEG_COM
  ByteView payload;  // at most 65533 bytes
};

struct JpegLayout {
  // The JFIF APP0 marker right after the start of the file. A file with EXIF
  // data goes without: the EXIF APP1 marker is to come first there.
  bool jfifHeader = true;
  // Three colour channels even when every pixel is grey, for a colour profile
  // that describes three channels.
  bool colour = false;
};

// encodeJpeg, with `markers` written in order right after the file's first
// marker (the JFIF header, or the start of the file without it).
Expected<Bytes> encodeJpegWithMarkers(const Surface& picture, const JpegOptions& options,
                                      std::span<const JpegMarker> markers,
                                      const JpegLayout& layout = {});

}  // namespace imbrino
