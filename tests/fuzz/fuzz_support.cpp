#include "fuzz_support.h"

#include <cstdlib>

#include "graphics/picture_limits.h"

namespace imbrino::fuzz {

void limitPictureSizes() { setMaxPicturePixels(std::int64_t{1} << 22); }

void checkDecoded(const Expected<Surface>& picture) {
  if (!picture) {
    if (picture.reason().empty()) std::abort();  // every failure says why
    return;
  }
  if (picture->empty() || picture->width() * std::int64_t{picture->height()} > maxPicturePixels())
    std::abort();
  for (Pixel p : picture->pixels())
    if ((p >> 24) != 0xFF) std::abort();
}

}  // namespace imbrino::fuzz
