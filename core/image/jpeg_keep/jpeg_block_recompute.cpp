// Blocks computed afresh from pixels; see jpeg_block_recompute.h.

#include "image/jpeg_keep/jpeg_block_recompute.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace imbrino {
namespace {

static_assert(std::endian::native == std::endian::little,
              "libjpeg writes pixels as B, G, R, A bytes, which is 0xAARRGGBB in memory");

// libjpeg's colour conversion (jccolor.c): 16-bit fixed point, Cb and Cr
// rounded a hair down.
struct YCbCr {
  std::uint8_t y, cb, cr;
};
YCbCr toYCbCr(Pixel p) {
  constexpr int kShift = 16;
  constexpr std::int32_t kHalf = 1 << (kShift - 1);
  constexpr std::int32_t kOffset = 128 << kShift;
  auto fix = [](double v) { return static_cast<std::int32_t>(v * (1 << kShift) + 0.5); };
  static const std::int32_t yr = fix(0.29900), yg = fix(0.58700), yb = fix(0.11400);
  static const std::int32_t cbr = fix(0.16874), cbg = fix(0.33126), half = fix(0.5);
  static const std::int32_t crg = fix(0.41869), crb = fix(0.08131);
  const std::int32_t r = redOf(p), g = greenOf(p), b = blueOf(p);
  return {
      static_cast<std::uint8_t>((yr * r + yg * g + yb * b + kHalf) >> kShift),
      static_cast<std::uint8_t>((-cbr * r - cbg * g + half * b + kOffset + kHalf - 1) >> kShift),
      static_cast<std::uint8_t>((half * r - crg * g - crb * b + kOffset + kHalf - 1) >> kShift)};
}

// The forward DCT in double precision (libjpeg's integer transform scaled the
// same way: a coefficient divided by its quantisation step is the stored
// value), then rounded to the nearest step, halves away from zero.
class BlockTransform {
 public:
  BlockTransform() {
    for (int u = 0; u < 8; ++u)
      for (int x = 0; x < 8; ++x)
        basis_[u][x] = (u == 0 ? std::numbers::sqrt2 / 4 : 0.5) *
                       std::cos((2 * x + 1) * u * std::numbers::pi / 16);
  }

  // `samples` row by row, `quant` and the result in natural order.
  void quantise(const std::array<int, 64>& samples, const UINT16* quant, JCOEF* out) const {
    double rows[8][8];  // [y][u]
    for (int y = 0; y < 8; ++y)
      for (int u = 0; u < 8; ++u) {
        double sum = 0;
        for (int x = 0; x < 8; ++x) sum += basis_[u][x] * (samples[y * 8 + x] - 128);
        rows[y][u] = sum;
      }
    for (int v = 0; v < 8; ++v)
      for (int u = 0; u < 8; ++u) {
        double sum = 0;
        for (int y = 0; y < 8; ++y) sum += basis_[v][y] * rows[y][u];
        const int k = v * 8 + u;
        const double q = std::max<double>(quant[k], 1);
        const double steps = std::floor(std::abs(sum) / q + 0.5);
        const double value = std::min(steps, 32767.0);
        out[k] = static_cast<JCOEF>(sum < 0 ? -value : value);
      }
  }

 private:
  double basis_[8][8];
};

bool differs(Rect region, const Surface& before, const Surface& after, int x0, int y0, int x1,
             int y1) {
  for (int y = y0; y < y1; ++y) {
    const Pixel* a = before.row(y - region.y) + (x0 - region.x);
    const Pixel* b = after.row(y - region.y) + (x0 - region.x);
    if (!std::equal(a, a + (x1 - x0), b)) return true;
  }
  return false;
}

}  // namespace

int recomputeChangedBlocks(const std::vector<ComponentBlocks>& components, int width, int height,
                           Rect region, const Surface& before, const Surface& after,
                           const std::function<JCOEF*(int, int, int)>& blockAt) {
  const BlockTransform transform;
  const bool grey = components.size() == 1;
  int replaced = 0;
  for (int c = 0; c < static_cast<int>(components.size()); ++c) {
    const ComponentBlocks& component = components[c];
    const int stepX = component.stepX, stepY = component.stepY;
    const int blockWidth = 8 * stepX, blockHeight = 8 * stepY;
    const int firstX = region.x / blockWidth, firstY = region.y / blockHeight;
    const int endX = std::min<int>(static_cast<int>((region.right() + blockWidth - 1) / blockWidth),
                                   component.widthInBlocks);
    const int endY =
        std::min<int>(static_cast<int>((region.bottom() + blockHeight - 1) / blockHeight),
                      component.heightInBlocks);
    for (int by = firstY; by < endY; ++by) {
      for (int bx = firstX; bx < endX; ++bx) {
        // The block's pixels, the picture's edge repeated past it as the
        // encoder pads a picture out to whole blocks.
        const int x0 = bx * blockWidth, y0 = by * blockHeight;
        const int x1 = std::min(x0 + blockWidth, width), y1 = std::min(y0 + blockHeight, height);
        if (!differs(region, before, after, x0, y0, x1, y1)) continue;
        std::array<int, 64> samples{};
        for (int sy = 0; sy < 8; ++sy)
          for (int sx = 0; sx < 8; ++sx) {
            int sum = 0;
            for (int dy = 0; dy < stepY; ++dy)
              for (int dx = 0; dx < stepX; ++dx) {
                const int px = std::min(x0 + sx * stepX + dx, width - 1) - region.x;
                const int py = std::min(y0 + sy * stepY + dy, height - 1) - region.y;
                const YCbCr value = toYCbCr(after.pixel(px, py));
                sum += grey || c == 0 ? value.y : c == 1 ? value.cb : value.cr;
              }
            const int count = stepX * stepY;
            samples[sy * 8 + sx] = (sum + count / 2) / count;
          }
        transform.quantise(samples, component.quant, blockAt(c, bx, by));
        ++replaced;
      }
    }
  }
  return replaced;
}

}  // namespace imbrino
