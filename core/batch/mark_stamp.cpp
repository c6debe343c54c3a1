#include "batch/mark_stamp.h"

#include "render/template_compose.h"

namespace imbrino {

struct MarkStamper::Plan {};

MarkStamper::MarkStamper(const Template& document, PlacementMode mode, PlacementValues values,
                         MarkOptions options)
    : document_(document), mode_(mode), values_(values), options_(options) {}

MarkStamper::~MarkStamper() = default;

StampReport MarkStamper::stamp(Surface& picture, const PictureFields* fields) const {
  const TemplateBackground& background = document_.background;
  const int x = placementOffset(mode_, values_.horizontal, picture.width(), background.width);
  const int y = placementOffset(mode_, values_.vertical, picture.height(), background.height);
  drawTemplate(picture, x, y, document_, false, false, fields);
  return {values_, background.width, background.height};
}

Expected<Bytes> MarkStamper::stampKeepingBlocks(ByteView jpeg, std::optional<PictureFields> fields,
                                                StampReport* report) const {
  if (report) *report = {values_, document_.background.width, document_.background.height};
  return stampJpegKeepingBlocks(jpeg, document_, mode_, values_, std::move(fields));
}

}  // namespace imbrino
