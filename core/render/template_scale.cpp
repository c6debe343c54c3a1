#include "render/template_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "graphics/resample.h"

namespace imbrino {
namespace {

class Scaler {
 public:
  explicit Scaler(double factor) : factor_(factor) {}

  // Positions and sizes, rounded to the nearest pixel and kept in 32 bits.
  std::int32_t operator()(std::int32_t v) const {
    const double scaled = std::round(v * factor_);
    constexpr double low = std::numeric_limits<std::int32_t>::min();
    constexpr double high = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(scaled, low, high));
  }

  // A size that was there stays at least a pixel: 0 means "the default" to a
  // font, and an object shrunk to nothing would simply vanish.
  std::int32_t size(std::int32_t v) const {
    if (v == 0) return 0;
    const std::int32_t scaled = (*this)(v);
    if (scaled == 0) return v > 0 ? 1 : -1;
    return scaled;
  }

 private:
  double factor_;
};

TextObject scaledText(const TextObject& text, const Scaler& scale) {
  TextObject scaled = text;
  scaled.x = scale(text.x);
  scaled.y = scale(text.y);
  scaled.font.lfHeight = scale.size(text.font.lfHeight);
  scaled.font.lfWidth = scale.size(text.font.lfWidth);
  return scaled;
}

Expected<std::shared_ptr<PictureObject>> scaledPicture(const PictureObject& picture,
                                                       const Scaler& scale) {
  auto scaled = std::make_shared<PictureObject>();
  static_cast<PictureRecord&>(*scaled) = picture;
  scaled->x = scale(picture.x);
  scaled->y = scale(picture.y);
  scaled->width = scale.size(picture.width);
  scaled->height = scale.size(picture.height);
  const Rect source{0, 0, picture.sourceWidth, picture.sourceHeight};
  // A colour key must meet its colour exactly, which filtering would blur
  // into its neighbours; such a picture, and one whose source rectangle is
  // not wholly on its picture, keeps the plain stretch from its source.
  const bool filtered = picture.transparent == 0 && !source.empty() &&
                        intersect(source, picture.picture.bounds()) == source &&
                        scaled->width > 0 && scaled->height > 0;
  if (!filtered) {
    scaled->picture = picture.picture;
    return scaled;
  }
  auto resampled = resampleSurface(picture.picture, source, scaled->width, scaled->height);
  if (!resampled) return fail(resampled.reason());
  scaled->picture = std::move(*resampled);
  scaled->sourceWidth = scaled->width;
  scaled->sourceHeight = scaled->height;
  return scaled;
}

}  // namespace

Expected<Template> scaledTemplate(const Template& document, int width) {
  Template scaled;
  scaled.background = document.background;
  const int designed = document.background.width;
  if (width == designed || designed <= 0) {
    scaled.textObjects = document.textObjects;
    scaled.pictureObjects = document.pictureObjects;  // shared, unchanged
    return scaled;
  }
  const Scaler scale(static_cast<double>(width) / designed);
  scaled.background.width = width;
  scaled.background.height = scale.size(document.background.height);
  for (const TextObject& text : document.textObjects)
    scaled.textObjects.push_back(scaledText(text, scale));
  for (const auto& picture : document.pictureObjects) {
    auto each = scaledPicture(*picture, scale);
    if (!each) return fail(each.reason());
    scaled.pictureObjects.push_back(std::move(*each));
  }
  return scaled;
}

}  // namespace imbrino
