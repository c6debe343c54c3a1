#include "batch/mark_stamp.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "batch/quiet_corner.h"
#include "render/mark_layer.h"
#include "render/template_compose.h"
#include "render/template_scale.h"

namespace imbrino {
namespace {

// Scaled templates kept at once: a run of mixed photos has a few sizes, and
// each kept template holds its resampled pictures.
constexpr std::size_t kMaxKeptMarks = 32;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

int clampToInt(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

// The copies of a tiled mark: rows `step.y` apart through the copy at
// (x0, y0), every other row shifted by half a step, each row running across
// the whole picture. Steps are at least the copy's size, so copies never
// overlap and laying them down one by one is laying down one layer.
template <class Each>
void forEachTile(Rect picture, Rect copy, int stepX, int stepY, Each each) {
  const std::int64_t x0 = copy.x, y0 = copy.y;
  const std::int64_t firstRow = floorDiv(picture.y - copy.height - y0, stepY) + 1;
  const std::int64_t lastRow = floorDiv(picture.y + picture.height - 1 - y0, stepY);
  for (std::int64_t row = firstRow; row <= lastRow; ++row) {
    const std::int64_t y = y0 + row * stepY;
    const std::int64_t rowX = x0 + ((row & 1) != 0 ? stepX / 2 : 0);
    const std::int64_t first = floorDiv(picture.x - copy.width - rowX, stepX) + 1;
    const std::int64_t last = floorDiv(picture.x + picture.width - 1 - rowX, stepX);
    for (std::int64_t column = first; column <= last; ++column)
      each(clampToInt(rowX + column * stepX), clampToInt(y));
  }
}

int gapOf(int size, int percent) {
  return static_cast<int>(std::lround(static_cast<double>(size) * percent / 100.0));
}

}  // namespace

struct MarkStamper::Plan {
  std::shared_ptr<const Template> mark;
  PlacementValues anchor;
  int x = 0;  // the mark's top-left corner on the upright picture
  int y = 0;
};

MarkStamper::MarkStamper(const Template& document, PlacementMode mode, PlacementValues values,
                         MarkOptions options)
    : document_(document), mode_(mode), values_(values), options_(options) {}

MarkStamper::~MarkStamper() = default;

Expected<std::shared_ptr<const Template>> MarkStamper::markFor(int pictureWidth,
                                                               int pictureHeight) const {
  if (options_.scalePercent <= 0) return markOfWidth(document_.background.width);
  int side = pictureWidth;
  switch (options_.scaleSide) {
    case ScaleSide::Width:
      side = pictureWidth;
      break;
    case ScaleSide::Height:
      side = pictureHeight;
      break;
    case ScaleSide::Shorter:
      side = std::min(pictureWidth, pictureHeight);
      break;
    case ScaleSide::Longer:
      side = std::max(pictureWidth, pictureHeight);
      break;
  }
  const int percent = std::min(options_.scalePercent, kMaxScalePercent);
  return markOfWidth(
      std::max(1, static_cast<int>(std::lround(static_cast<double>(side) * percent / 100.0))));
}

Expected<std::shared_ptr<const Template>> MarkStamper::markOfWidth(int width) const {
  // The designed size is the template itself, drawn exactly as always.
  if (width == document_.background.width)
    return std::shared_ptr<const Template>(std::shared_ptr<const Template>(), &document_);
  {
    std::lock_guard lock(cacheMutex_);
    if (auto found = scaledByWidth_.find(width); found != scaledByWidth_.end())
      return found->second;
  }
  // Scaled outside the lock: two workers meeting a new size at once may
  // both scale it, which costs less than holding the others up.
  auto scaled = scaledTemplate(document_, width);
  if (!scaled) return fail(scaled.reason());
  auto mark = std::make_shared<const Template>(std::move(*scaled));
  std::lock_guard lock(cacheMutex_);
  if (scaledByWidth_.size() >= kMaxKeptMarks) scaledByWidth_.erase(scaledByWidth_.begin());
  return scaledByWidth_.try_emplace(width, mark).first->second;
}

bool MarkStamper::choosesCorner() const {
  // A tiled mark covers every corner anyway.
  return options_.autoCorner && mode_ == PlacementMode::Anchor && !options_.tile;
}

MarkStamper::Plan MarkStamper::placed(std::shared_ptr<const Template> mark, PlacementValues values,
                                      int pictureWidth, int pictureHeight) const {
  const TemplateBackground& background = mark->background;
  Plan plan{std::move(mark), values, 0, 0};
  plan.x = placementOffset(mode_, values.horizontal, pictureWidth, background.width);
  plan.y = placementOffset(mode_, values.vertical, pictureHeight, background.height);
  return plan;
}

Status MarkStamper::paint(const Plan& plan, Surface& region, int left, int top, int pictureWidth,
                          int pictureHeight, const PictureFields* fields) const {
  const Template& mark = *plan.mark;
  auto offset = [](int at, int origin) { return clampToInt(std::int64_t{at} - origin); };
  if (!options_.tile) {
    drawTemplate(region, offset(plan.x, left), offset(plan.y, top), mark, false, false, fields);
    return {};
  }
  if (mark.background.width <= 0 || mark.background.height <= 0) return {};  // nothing to tile
  auto layer = renderMarkLayer(mark, fields);
  if (!layer) return fail(layer.reason());
  const int angle = std::clamp(options_.tileAngle, -kMaxTileAngle, kMaxTileAngle);
  if (angle != 0) {
    layer = turnMarkLayer(*layer, angle);
    if (!layer) return fail(layer.reason());
  }
  if (layer->width <= 0 || layer->height <= 0) return {};
  // The turned copy keeps the centre of the mark as placed.
  const Rect first{clampToInt(plan.x + (std::int64_t{mark.background.width} - layer->width) / 2),
                   clampToInt(plan.y + (std::int64_t{mark.background.height} - layer->height) / 2),
                   layer->width, layer->height};
  const int gap = std::clamp(options_.tileGapPercent, 0, kMaxTileGapPercent);
  const int stepX = std::max(1, layer->width + gapOf(layer->width, gap));
  const int stepY = std::max(1, layer->height + gapOf(layer->height, gap));
  const Rect seen{left, top, region.width(), region.height()};
  const Rect picture = intersect(seen, {0, 0, pictureWidth, pictureHeight});
  forEachTile(picture, first, stepX, stepY, [&](int x, int y) {
    blendMarkLayer(region, *layer, offset(x, left), offset(y, top));
  });
  return {};
}

Expected<StampReport> MarkStamper::stamp(Surface& picture, const PictureFields* fields) const {
  const int width = picture.width(), height = picture.height();
  auto mark = markFor(width, height);
  if (!mark) return fail(mark.reason());
  PlacementValues anchor = values_;
  if (choosesCorner())  // the grid reads only a sample of the picture
    anchor = quietestCorner(luminanceGrid(picture, 1), width, height, (*mark)->background.width,
                            (*mark)->background.height);
  const Plan plan = placed(std::move(*mark), anchor, width, height);
  if (Status painted = paint(plan, picture, 0, 0, width, height, fields); !painted)
    return fail(painted.reason());
  return StampReport{plan.anchor, plan.mark->background.width, plan.mark->background.height, width,
                     height};
}

Expected<Bytes> MarkStamper::stampKeepingBlocks(ByteView jpeg, std::optional<PictureFields> fields,
                                                StampReport* report) const {
  auto facts = readJpegFacts(jpeg);
  if (!facts) return fail(facts.reason());
  const bool quarterTurn = facts->orientation >= 5 && facts->orientation <= 8;
  const int width = quarterTurn ? facts->height : facts->width;
  const int height = quarterTurn ? facts->width : facts->height;
  auto mark = markFor(width, height);
  if (!mark) return fail(mark.reason());
  const int markWidth = (*mark)->background.width, markHeight = (*mark)->background.height;
  if (fields) {
    fields->width = width;
    fields->height = height;
  }
  // With the corner to choose, every corner is a candidate: the choice is
  // made from the block means the stamp reads anyway, on its one pass
  // through the file.
  std::vector<Plan> plans;
  if (choosesCorner())
    for (PlacementValues corner : kCornerCells)
      plans.push_back(placed(*mark, corner, width, height));
  else
    plans.push_back(placed(*mark, values_, width, height));
  std::vector<Rect> areas;
  for (const Plan& plan : plans)
    areas.push_back(options_.tile ? Rect{0, 0, width, height}
                                  : Rect{plan.x, plan.y, markWidth, markHeight});
  std::size_t chosen = 0;
  const UprightChoice choose = [&](const BlockMeans& means) {
    const PlacementValues corner = quietestCorner(luminanceGrid(means.picture, means.reduction),
                                                  width, height, markWidth, markHeight);
    for (std::size_t i = 0; i < plans.size(); ++i)
      if (plans[i].anchor == corner) chosen = i;
    return chosen;
  };
  Status painted;
  auto stamped =
      stampJpegKeepingBlocks(jpeg, *facts, areas, choose, [&](Surface& region, int left, int top) {
        painted =
            paint(plans[chosen], region, left, top, width, height, fields ? &*fields : nullptr);
      });
  if (!painted) return fail(painted.reason());
  if (stamped && report) *report = {plans[chosen].anchor, markWidth, markHeight, width, height};
  return stamped;
}

}  // namespace imbrino
