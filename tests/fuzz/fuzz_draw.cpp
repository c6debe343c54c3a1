// Any template the reader accepts is drawn onto a small picture without a
// crash or undefined behaviour, whatever its coordinates, sizes, fonts and
// levels: once plainly, where only the template's rectangle may change, and
// once with every handle, placed so that its far corner is on the picture,
// and once scaled to the picture, tiled and turned as the last byte says.
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "batch/mark_stamp.h"
#include "fuzz_support.h"
#include "render/template_compose.h"
#include "template/template_file.h"

namespace {

constexpr int kWidth = 48;
constexpr int kHeight = 32;
constexpr imbrino::Pixel kGround = imbrino::makePixel(1, 2, 3);

int clampToInt(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  imbrino::fuzz::limitPictureSizes();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace imbrino;
  Template document;
  if (!parseTemplate(ByteView(data, size), document)) return 0;
  auto created = Surface::create(kWidth, kHeight, kGround);
  if (!created) std::abort();
  Surface target = std::move(*created);

  constexpr int kX = 3, kY = -2;
  drawTemplate(target, kX, kY, document, false, false);
  const Rect covered =
      intersect({kX, kY, document.background.width, document.background.height}, target.bounds());
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const bool inside =
          x >= covered.x && x < covered.right() && y >= covered.y && y < covered.bottom();
      if (!inside && target.pixel(x, y) != kGround) std::abort();
    }

  drawTemplate(target, clampToInt(std::int64_t{kWidth} - document.background.width),
               clampToInt(std::int64_t{kHeight} - document.background.height), document, true,
               true);
  for (Pixel p : target.pixels())
    if ((p >> 24) != 0xFF) std::abort();

  const std::uint8_t fit = data[size - 1];
  MarkOptions options;
  options.scalePercent = fit % 4 == 0 ? 0 : 1 + fit % 100;
  options.scaleSide = static_cast<ScaleSide>(fit % 4);
  options.tile = (fit & 0x10) != 0;
  options.tileGapPercent = (fit & 0x20) != 0 ? 0 : 50;
  options.tileAngle = (fit & 0x40) != 0 ? fit % 181 - 90 : 0;
  options.autoCorner = (fit & 0x80) != 0;
  const MarkStamper stamper(document, PlacementMode::Anchor, {2, 2}, options);
  (void)stamper.stamp(target);  // may fail for want of memory, never crash
  for (Pixel p : target.pixels())
    if ((p >> 24) != 0xFF) std::abort();
  return 0;
}
