#include "batch/jpeg_keep_stamp.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#include "image/exif_orientation.h"
#include "image/jpeg_facts.h"
#include "image/jpeg_keep/jpeg_keep.h"
#include "render/template_compose.h"

namespace imbrino {
namespace {

// How far `at` lies from `origin`, within 32 bits: the regions drawn on lie
// on the template, so this only clamps what cannot matter.
int offset(int at, int origin) {
  const std::int64_t d = std::int64_t{at} - origin;
  return static_cast<int>(std::clamp<std::int64_t>(d, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

// The stamp painted on the upright view of one of `areas` (upright
// coordinates), the one `choose` picks, of a file whose header gave `facts`.
Expected<Bytes> stampUpright(ByteView jpeg, const JpegFacts& facts, const std::vector<Rect>& areas,
                             const UprightChoice& choose, const UprightPainter& paint) {
  const int orientation = facts.orientation;
  const int width = facts.width, height = facts.height;
  // A turned photo keeps its orientation and every block: the stamp is
  // drawn upright on the upright view of the region and turned back, so it
  // shows where the batch would put it once the viewer turns the picture.
  std::vector<Rect> stored;
  for (const Rect& area : areas)
    stored.push_back(orientation == 1 ? area : storedRectOf(area, orientation, width, height));
  const RegionChoice chooseStored = [&](const BlockMeans& means) -> std::size_t {
    if (orientation == 1) return choose(means);
    auto upright = applyExifOrientation(means.picture, orientation);
    if (!upright) return 0;
    return choose({std::move(*upright), means.reduction});
  };
  Status turned;
  auto stamped =
      stampJpegKeepingBlocks(jpeg, stored, chooseStored, [&](Surface& region, int left, int top) {
        if (orientation == 1) {
          paint(region, left, top);
          return;
        }
        const Rect view =
            uprightRectOf({left, top, region.width(), region.height()}, orientation, width, height);
        auto turnedRegion = applyExifOrientation(region, orientation);
        if (!turnedRegion) {
          turned = fail(turnedRegion.reason());
          return;
        }
        paint(*turnedRegion, view.x, view.y);
        auto back = undoExifOrientation(std::move(*turnedRegion), orientation);
        if (!back) {
          turned = fail(back.reason());
          return;
        }
        region = std::move(*back);
      });
  // Without the turned pixels nothing was drawn: that must not pass for a
  // stamp that changed nothing.
  if (!turned) return fail(turned.reason());
  return stamped;
}

Expected<Bytes> stampUpright(ByteView jpeg, const JpegFacts& facts, Rect area,
                             const UprightPainter& paint) {
  return stampUpright(
      jpeg, facts, {area}, [](const BlockMeans&) { return std::size_t{0}; }, paint);
}

// The template at (x, y) of the upright picture. drawTemplate changes
// nothing outside the template's rectangle, so drawing onto a region gives
// its pixels exactly what drawing onto the whole picture gives them.
Expected<Bytes> stampAt(ByteView jpeg, const Template& document, int x, int y,
                        const JpegFacts& facts, const PictureFields* fields) {
  const Rect area{x, y, document.background.width, document.background.height};
  return stampUpright(jpeg, facts, area, [&](Surface& region, int left, int top) {
    drawTemplate(region, offset(x, left), offset(y, top), document, false, false, fields);
  });
}

}  // namespace

Expected<Bytes> stampJpegKeepingBlocks(ByteView jpeg, const JpegFacts& facts,
                                       const std::vector<Rect>& uprightAreas,
                                       const UprightChoice& choose, const UprightPainter& paint) {
  return stampUpright(jpeg, facts, uprightAreas, choose, paint);
}

Expected<Bytes> stampJpegKeepingBlocks(ByteView jpeg, const Template& document, int x, int y,
                                       const PictureFields* fields) {
  auto facts = readJpegFacts(jpeg);
  if (!facts) return fail(facts.reason());
  return stampAt(jpeg, document, x, y, *facts, fields);
}

Expected<Bytes> stampJpegKeepingBlocks(ByteView jpeg, const Template& document, PlacementMode mode,
                                       PlacementValues values,
                                       std::optional<PictureFields> fields) {
  auto facts = readJpegFacts(jpeg);
  if (!facts) return fail(facts.reason());
  // Placed on the upright picture, as the batch places it.
  const bool quarterTurn = facts->orientation >= 5 && facts->orientation <= 8;
  const int width = quarterTurn ? facts->height : facts->width;
  const int height = quarterTurn ? facts->width : facts->height;
  const TemplateBackground& background = document.background;
  const int x = placementOffset(mode, values.horizontal, width, background.width);
  const int y = placementOffset(mode, values.vertical, height, background.height);
  if (fields) {
    fields->width = width;
    fields->height = height;
  }
  return stampAt(jpeg, document, x, y, *facts, fields ? &*fields : nullptr);
}

}  // namespace imbrino
