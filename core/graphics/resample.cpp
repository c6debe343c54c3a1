#include "graphics/resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace imbrino {
namespace {

// The source pixels one destination pixel takes from, with their weights
// (which sum to 1).
struct Taps {
  int first = 0;
  std::vector<float> weights;
};

// Shrinking: the destination pixel covers [i * ratio, (i + 1) * ratio) of
// the source, each source pixel weighted by how much of it is covered.
// Growing: the source pixels either side of the destination pixel's centre,
// weighted by distance; the edges repeat the outermost pixel.
std::vector<Taps> tapsFor(int sourceLength, int targetLength) {
  std::vector<Taps> taps(static_cast<std::size_t>(targetLength));
  const double ratio = static_cast<double>(sourceLength) / targetLength;
  for (int i = 0; i < targetLength; ++i) {
    Taps& tap = taps[static_cast<std::size_t>(i)];
    if (ratio >= 1.0) {
      const double start = i * ratio, end = (i + 1) * ratio;
      const int first = static_cast<int>(std::floor(start));
      const int last = std::min(sourceLength - 1, static_cast<int>(std::ceil(end)) - 1);
      tap.first = first;
      for (int s = first; s <= last; ++s) {
        const double covered = std::min<double>(s + 1, end) - std::max<double>(s, start);
        tap.weights.push_back(static_cast<float>(covered / ratio));
      }
    } else {
      const double centre = (i + 0.5) * ratio - 0.5;
      const int left = static_cast<int>(std::floor(centre));
      const float right = static_cast<float>(centre - left);
      const int a = std::clamp(left, 0, sourceLength - 1);
      const int b = std::clamp(left + 1, 0, sourceLength - 1);
      tap.first = a;
      if (a == b) {
        tap.weights = {1.0f};
      } else {
        tap.weights = {1.0f - right, right};
      }
    }
  }
  return taps;
}

std::uint8_t toByte(float v) {
  return static_cast<std::uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f));
}

}  // namespace

Expected<Surface> resampleSurface(const Surface& source, Rect from, int width, int height) {
  from = intersect(from, source.bounds());
  if (from.empty() || width <= 0 || height <= 0) return fail("nothing to resample");
  auto target = Surface::create(width, height);
  if (!target) return fail(target.reason());

  const std::vector<Taps> across = tapsFor(from.width, width);
  const std::vector<Taps> down = tapsFor(from.height, height);
  // Rows are first resized across into floats, then each target row mixes
  // the rows it takes from.
  std::vector<float> rows(static_cast<std::size_t>(from.height) * width * 3);
  for (int y = 0; y < from.height; ++y) {
    const Pixel* in = source.row(from.y + y) + from.x;
    float* out = rows.data() + static_cast<std::size_t>(y) * width * 3;
    for (int x = 0; x < width; ++x) {
      const Taps& tap = across[static_cast<std::size_t>(x)];
      float r = 0, g = 0, b = 0;
      for (std::size_t k = 0; k < tap.weights.size(); ++k) {
        const Pixel p = in[tap.first + static_cast<int>(k)];
        r += tap.weights[k] * redOf(p);
        g += tap.weights[k] * greenOf(p);
        b += tap.weights[k] * blueOf(p);
      }
      out[3 * x] = r;
      out[3 * x + 1] = g;
      out[3 * x + 2] = b;
    }
  }
  std::vector<float> mixed(static_cast<std::size_t>(width) * 3);
  for (int y = 0; y < height; ++y) {
    const Taps& tap = down[static_cast<std::size_t>(y)];
    std::fill(mixed.begin(), mixed.end(), 0.0f);
    for (std::size_t k = 0; k < tap.weights.size(); ++k) {
      const float* in = rows.data() + static_cast<std::size_t>(tap.first + k) * width * 3;
      for (std::size_t i = 0; i < mixed.size(); ++i) mixed[i] += tap.weights[k] * in[i];
    }
    Pixel* out = target->row(y);
    for (int x = 0; x < width; ++x)
      out[x] = makePixel(toByte(mixed[3 * x]), toByte(mixed[3 * x + 1]), toByte(mixed[3 * x + 2]));
  }
  return target;
}

}  // namespace imbrino
