#pragma once
// What a JPEG's header tells about how it was made: its sampling and the
// quality its encoder was set to, as far as the quantisation tables show it.
// These are what stamping a JPEG in its own coefficients keeps.

#include <array>
#include <cstdint>
#include <string>

#include "image/codecs.h"

namespace imbrino {

struct JpegFacts {
  int width = 0;  // as stored, before any EXIF orientation
  int height = 0;
  // "4:4:4", "4:2:2", "4:2:0", "4:4:0", "4:1:1" for YCbCr with both chroma
  // components alike, "greyscale" for one component, otherwise each
  // component's factors ("2x2,1x1,1x1").
  std::string sampling;
  bool progressive = false;
  // How the picture is turned for viewing (EXIF orientation 1..8, 1 when
  // the header records none), as the decoder reads it.
  int orientation = 1;
  // The quality 1..100 whose scaling of the standard luminance table comes
  // nearest the file's luminance table; 0 when the file has none.
  int quality = 0;
};

// Reads the header only (the markers up to the first scan).
Expected<JpegFacts> readJpegFacts(ByteView jpeg);

// The quality 1..100 whose standard luminance table (scaled as the common
// encoder scales it) lies nearest `table`, given in natural (row by row) order.
int estimateJpegQuality(const std::array<std::uint16_t, 64>& table);

}  // namespace imbrino
