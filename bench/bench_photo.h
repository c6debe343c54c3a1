#pragma once
// Photo-like pictures for the benchmarks: sky-like gradients, shaded shapes
// and sensor grain at 4000 x 3000, written as cameras write them (4:2:0,
// quality 92, a small EXIF record). Each seed gives its own picture, so no
// two compress alike and no cache helps.

#include <cstdint>
#include <vector>

#include "image/codecs.h"

namespace imbrino::bench {

constexpr int kPhotoWidth = 4000;
constexpr int kPhotoHeight = 3000;
constexpr int kPhotoQuality = 92;

// The picture's R, G, B bytes, row after row.
std::vector<std::uint8_t> makePhoto(std::uint64_t seed);

// The picture (width x height R, G, B bytes) as a camera's JPEG;
// `progressive` as some phones and most web pictures are coded.
Bytes encodePhoto(const std::vector<std::uint8_t>& rgb, bool progressive = false,
                  int width = kPhotoWidth, int height = kPhotoHeight);

}  // namespace imbrino::bench
