#include "render/mark_layer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "render/template_compose.h"

namespace imbrino {
namespace {

std::uint32_t argb(int a, int r, int g, int b) {
  return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(r) << 16) |
         (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

int channel(std::uint32_t p, int shift) {
  return static_cast<int>((p >> shift) & 0xFF);
}

}  // namespace

Expected<MarkLayer> renderMarkLayer(const Template& document, const PictureFields* fields) {
  const int width = document.background.width, height = document.background.height;
  auto onBlack = Surface::create(width, height, kPixelBlack);
  if (!onBlack) return fail(onBlack.reason());
  auto onWhite = Surface::create(width, height, kPixelWhite);
  if (!onWhite) return fail(onWhite.reason());
  drawTemplate(*onBlack, 0, 0, document, false, false, fields);
  drawTemplate(*onWhite, 0, 0, document, false, false, fields);

  MarkLayer layer{width, height, {}};
  layer.pixels.resize(static_cast<std::size_t>(width) * height);
  const std::span<const Pixel> black = onBlack->pixels(), white = onWhite->pixels();
  for (std::size_t i = 0; i < layer.pixels.size(); ++i) {
    // What shows through, averaged over the channels (each carries the same
    // opacity, give or take rounding).
    int through = 0;
    for (int shift : {16, 8, 0}) through += channel(white[i], shift) - channel(black[i], shift);
    const int alpha = std::clamp(255 - (through + 1) / 3, 0, 255);
    auto colour = [&](int shift) { return std::min(channel(black[i], shift), alpha); };
    layer.pixels[i] = argb(alpha, colour(16), colour(8), colour(0));
  }
  return layer;
}

Expected<MarkLayer> turnMarkLayer(const MarkLayer& layer, double degrees) {
  const double radians = degrees * std::numbers::pi / 180.0;
  const double c = std::cos(radians), s = std::sin(radians);
  const double w = layer.width, h = layer.height;
  MarkLayer turned;
  turned.width = static_cast<int>(std::ceil(std::abs(w * c) + std::abs(h * s) - 1e-9));
  turned.height = static_cast<int>(std::ceil(std::abs(w * s) + std::abs(h * c) - 1e-9));
  if (turned.width <= 0 || turned.height <= 0) return turned;
  auto size = Surface::create(turned.width, turned.height);  // checks the limits
  if (!size) return fail(size.reason());
  turned.pixels.assign(static_cast<std::size_t>(turned.width) * turned.height, 0);

  auto at = [&](int x, int y) -> std::uint32_t {
    if (x < 0 || y < 0 || x >= layer.width || y >= layer.height) return 0;
    return layer.pixels[static_cast<std::size_t>(y) * layer.width + x];
  };
  // On the screen y grows downward, so under a counter-clockwise turn by A
  // the pixel at offset (u, v) from the target's centre comes from offset
  // (u cos A - v sin A, u sin A + v cos A) from the source's.
  const double cx = turned.width / 2.0, cy = turned.height / 2.0;
  for (int y = 0; y < turned.height; ++y) {
    for (int x = 0; x < turned.width; ++x) {
      const double u = x + 0.5 - cx, v = y + 0.5 - cy;
      const double sx = u * c - v * s + w / 2 - 0.5;
      const double sy = u * s + v * c + h / 2 - 0.5;
      const int x0 = static_cast<int>(std::floor(sx)), y0 = static_cast<int>(std::floor(sy));
      if (x0 < -1 || y0 < -1 || x0 >= layer.width || y0 >= layer.height) continue;
      const double fx = sx - x0, fy = sy - y0;
      const std::uint32_t p00 = at(x0, y0), p10 = at(x0 + 1, y0), p01 = at(x0, y0 + 1),
                          p11 = at(x0 + 1, y0 + 1);
      auto mix = [&](int shift) {
        const double top = channel(p00, shift) * (1 - fx) + channel(p10, shift) * fx;
        const double bottom = channel(p01, shift) * (1 - fx) + channel(p11, shift) * fx;
        return static_cast<int>(top * (1 - fy) + bottom * fy + 0.5);
      };
      turned.pixels[static_cast<std::size_t>(y) * turned.width + x] =
          argb(mix(24), mix(16), mix(8), mix(0));
    }
  }
  return turned;
}

void blendMarkLayer(Surface& target, const MarkLayer& layer, int x, int y) {
  const Rect covered = intersect({x, y, layer.width, layer.height}, target.bounds());
  for (int ty = covered.y; ty < covered.y + covered.height; ++ty) {
    const std::uint32_t* in =
        layer.pixels.data() + static_cast<std::size_t>(ty - y) * layer.width + (covered.x - x);
    Pixel* out = target.row(ty) + covered.x;
    for (int i = 0; i < covered.width; ++i) {
      const std::uint32_t p = in[i];
      const int alpha = channel(p, 24);
      if (alpha == 0) continue;
      const int through = 255 - alpha;
      auto over = [&](int shift) {
        return static_cast<std::uint8_t>(
            std::min(255, channel(p, shift) + (channel(out[i], shift) * through + 127) / 255));
      };
      out[i] = makePixel(over(16), over(8), over(0));
    }
  }
}

}  // namespace imbrino
