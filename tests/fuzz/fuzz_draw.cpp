// Any template the reader accepts is drawn onto a small picture without a
// crash or undefined behaviour, whatever its coordinates, sizes, fonts and
// levels: once plainly, where only the template's rectangle may change, and
// once with every handle, placed so that its far corner is on the picture.
#include <algorithm>
#include <climits>
#include <cstdlib>

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
  return 0;
}
