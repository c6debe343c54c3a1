// Any bytes given to the coefficient stamper give a JPEG or a reason, never a
// crash, and a JPEG it gives decodes. The first four bytes place the stamp
// (its corner, and whether it has colour); the rest is the file.
#include <cstdlib>

#include "fuzz_support.h"
#include "image/image_io.h"
#include "image/jpeg_keep/jpeg_keep.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  imbrino::fuzz::limitPictureSizes();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace imbrino;
  if (size < 4) return 0;
  // Corners from -64 to 190, so stamps fall on, across and off the edges.
  const Rect area{data[0] - 64, data[1] - 64, 5 + data[2] % 40, 3 + data[2] / 40};
  const bool colour = (data[3] & 1) != 0;
  const ByteView file(data + 4, size - 4);
  auto stamped = stampJpegKeepingBlocks(file, area, [&](Surface& region, int left, int top) {
    const Rect box = intersect(translate(area, -left, -top), region.bounds());
    for (int y = box.y; y < box.bottom(); ++y)
      for (int x = box.x; x < box.right(); ++x)
        region.setPixel(x, y, (x + y) % 3 == 0 ? makePixel(colour ? 200 : 20, 20, 20)
                                               : makePixel(240, 240, 240));
  });
  if (!stamped) return 0;
  auto decoded = decodePicture(*stamped, CodecFormat::Jpg);
  if (!decoded) std::abort();
  fuzz::checkDecoded(decoded);
  return 0;
}
