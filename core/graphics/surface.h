#pragma once
// The raster everything is drawn on: width x height 32-bit pixels 0xFFRRGGBB,
// rows top to bottom, no padding. Pictures are decoded into surfaces, templates
// are composed on them and encoders read them.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "graphics/colour.h"
#include "graphics/rect.h"
#include "platform/expected.h"

namespace imbrino {

class Surface {
 public:
  // An empty (0 x 0) surface.
  Surface() = default;

  // Allocates a surface filled with `fill`. Fails for negative sizes, for
  // sizes past the decode limits and when memory runs out.
  static Expected<Surface> create(int width, int height, Pixel fill = kPixelWhite);

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return width_ == 0 || height_ == 0; }
  Rect bounds() const { return {0, 0, width_, height_}; }

  Pixel* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  const Pixel* row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  Pixel pixel(int x, int y) const { return row(y)[x]; }
  void setPixel(int x, int y, Pixel p) { row(y)[x] = p; }

  std::span<Pixel> pixels() { return pixels_; }
  std::span<const Pixel> pixels() const { return pixels_; }
  // Bytes per row; rows are contiguous.
  std::size_t stride() const { return static_cast<std::size_t>(width_) * sizeof(Pixel); }

  void fill(Pixel p);
  // Fills the part of `r` that lies on the surface; right and bottom edges are
  // exclusive.
  void fillRect(Rect r, Pixel p);
  // Copies `source` with its top-left corner at (x, y), clipped to both.
  void drawSurface(const Surface& source, int x, int y);

  // True when every pixel has equal red, green and blue.
  bool isGrey() const;

  friend bool operator==(const Surface&, const Surface&) = default;

 private:
  Surface(int width, int height, std::vector<Pixel> pixels)
      : width_(width), height_(height), pixels_(std::move(pixels)) {}

  int width_ = 0;
  int height_ = 0;
  std::vector<Pixel> pixels_;
};

}  // namespace imbrino
