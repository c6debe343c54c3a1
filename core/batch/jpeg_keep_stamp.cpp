#include "batch/jpeg_keep_stamp.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "image/jpeg_facts.h"
#include "image/jpeg_keep.h"
#include "render/template_compose.h"

namespace imbrino {

Expected<Bytes> stampJpegKeepingBlocks(ByteView jpeg, const Template& document, int x, int y) {
  const Rect area{x, y, document.background.width, document.background.height};
  return stampJpegKeepingBlocks(jpeg, area, [&](Surface& region, int left, int top) {
    // drawTemplate changes nothing outside the template's rectangle, so
    // drawing onto the region gives its pixels exactly what drawing onto the
    // whole picture gives them. The region lies on the template, so the
    // corner's offset from it stays well inside 32 bits.
    auto offset = [](int at, int origin) {
      const std::int64_t d = std::int64_t{at} - origin;
      return static_cast<int>(std::clamp<std::int64_t>(d, std::numeric_limits<int>::min(),
                                                       std::numeric_limits<int>::max()));
    };
    drawTemplate(region, offset(x, left), offset(y, top), document, false, false);
  });
}

Expected<Bytes> stampJpegKeepingBlocks(ByteView jpeg, const Template& document, PlacementMode mode,
                                       PlacementValues values) {
  auto facts = readJpegFacts(jpeg);
  if (!facts) return fail(facts.reason());
  const TemplateBackground& background = document.background;
  const int x = placementOffset(mode, values.horizontal, facts->width, background.width);
  const int y = placementOffset(mode, values.vertical, facts->height, background.height);
  return stampJpegKeepingBlocks(jpeg, document, x, y);
}

}  // namespace imbrino
