// Any bytes given to the coefficient stamper give a JPEG or a reason, never a
// crash, and a JPEG it gives decodes. The first four bytes place the stamp
// (its corner, whether it has colour, and whether a second place lower down
// is offered, the choice going by the block means); the rest is the file.
#include <cstdlib>
#include <vector>

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
  std::vector<Rect> areas{area};
  if ((data[3] & 2) != 0) areas.push_back(translate(area, 0, 100));
  const ByteView file(data + 4, size - 4);
  std::size_t chosen = 0;
  const RegionChoice choose = [&](const BlockMeans& means) {
    unsigned sum = 0;
    for (Pixel p : means.picture.pixels()) sum += greenOf(p);
    chosen = sum % 2;
    return chosen;
  };
  auto stamped =
      stampJpegKeepingBlocks(file, areas, choose, [&](Surface& region, int left, int top) {
        const Rect box = intersect(translate(areas[chosen], -left, -top), region.bounds());
        for (int y = box.y; y < box.bottom(); ++y)
          for (int x = box.x; x < box.right(); ++x)
            region.setPixel(
                x, y,
                (x + y) % 3 == 0 ? makePixel(colour ? 200 : 20, 20, 20) : makePixel(240, 240, 240));
      });
  if (!stamped) return 0;
  auto decoded = decodePicture(*stamped, CodecFormat::Jpg);
  if (!decoded) std::abort();
  fuzz::checkDecoded(decoded);
  return 0;
}
