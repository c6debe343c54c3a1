// The photo-like pictures the benchmarks work on; see bench_photo.h.

#include "bench_photo.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>

// After <cstdio> and <cstddef>: it uses FILE and size_t without including them.
#include <jpeglib.h>

namespace imbrino::bench {
namespace {

// Small, fast and good enough for texture: one step per noise sample.
struct XorShift {
  std::uint64_t state;
  explicit XorShift(std::uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
  std::uint64_t next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
  // Uniform in [lo, hi].
  int between(int lo, int hi) {
    return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1));
  }
  double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
};

struct Shape {
  bool ellipse = false;
  double cx = 0, cy = 0, rx = 0, ry = 0;
  double colour[3]{};  // at the top of the shape
  double shade[3]{};   // added per pixel downwards
};

std::uint8_t toByte(double v) {
  return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
}

}  // namespace

// Sky-like gradients with slow waves, a few dozen solid shapes with their own
// shading (edges are what JPEG spends bits on), and sensor-like noise: light
// luminance grain and a little colour grain.
std::vector<std::uint8_t> makePhoto(std::uint64_t seed) {
  XorShift random(seed);
  double top[3], bottom[3];
  for (int c = 0; c < 3; ++c) {
    top[c] = random.between(40, 220);
    bottom[c] = random.between(20, 200);
  }
  // Separable waves: one table across, one down, so no sine per pixel.
  std::vector<double> across(kPhotoWidth), down(kPhotoHeight);
  const double fx = 2 + 6 * random.unit(), fy = 1 + 4 * random.unit();
  const double px = 6.3 * random.unit(), py = 6.3 * random.unit();
  for (int x = 0; x < kPhotoWidth; ++x)
    across[static_cast<std::size_t>(x)] = 18 * std::sin(fx * 6.2832 * x / kPhotoWidth + px);
  for (int y = 0; y < kPhotoHeight; ++y)
    down[static_cast<std::size_t>(y)] = 14 * std::sin(fy * 6.2832 * y / kPhotoHeight + py);

  std::vector<Shape> shapes(40);
  for (Shape& s : shapes) {
    s.ellipse = random.next() % 2 == 0;
    s.cx = random.between(0, kPhotoWidth);
    s.cy = random.between(0, kPhotoHeight);
    s.rx = random.between(40, 600);
    s.ry = random.between(40, 450);
    for (int c = 0; c < 3; ++c) {
      s.colour[c] = random.between(0, 255);
      s.shade[c] = (random.unit() - 0.5) * 160 / s.ry;
    }
  }

  std::vector<std::uint8_t> rgb(std::size_t{kPhotoWidth} * kPhotoHeight * 3);
  std::vector<double> line(std::size_t{kPhotoWidth} * 3);
  for (int y = 0; y < kPhotoHeight; ++y) {
    const double t = static_cast<double>(y) / (kPhotoHeight - 1);
    for (int x = 0; x < kPhotoWidth; ++x) {
      const double wave = across[static_cast<std::size_t>(x)] + down[static_cast<std::size_t>(y)];
      for (int c = 0; c < 3; ++c)
        line[static_cast<std::size_t>(x) * 3 + c] = top[c] + (bottom[c] - top[c]) * t + wave;
    }
    for (const Shape& s : shapes) {
      const double dy = y - s.cy;
      if (std::abs(dy) > s.ry) continue;
      const double half = s.ellipse ? s.rx * std::sqrt(1 - (dy / s.ry) * (dy / s.ry)) : s.rx;
      const int from = std::max(0, static_cast<int>(s.cx - half));
      const int to = std::min(kPhotoWidth, static_cast<int>(s.cx + half));
      for (int x = from; x < to; ++x)
        for (int c = 0; c < 3; ++c)
          line[static_cast<std::size_t>(x) * 3 + c] = s.colour[c] + s.shade[c] * (dy + s.ry);
    }
    std::uint8_t* out = rgb.data() + static_cast<std::size_t>(y) * kPhotoWidth * 3;
    for (int x = 0; x < kPhotoWidth; ++x) {
      const std::uint64_t bits = random.next();
      const double grain = static_cast<double>(bits & 15) - 7.5;
      for (int c = 0; c < 3; ++c) {
        const double colourGrain = static_cast<double>((bits >> (8 + 4 * c)) & 3) - 1.5;
        out[x * 3 + c] = toByte(line[static_cast<std::size_t>(x) * 3 + c] + grain + colourGrain);
      }
    }
  }
  return rgb;
}

namespace {

void putLe16(std::vector<std::uint8_t>& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void putLe32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// An APP1 EXIF payload with make, model and an upright orientation: what a
// camera's record holds at the least, so a stamped copy has something to keep.
std::vector<std::uint8_t> exifPayload() {
  const std::string make = "Imbrino Bench";
  const std::string model = "Photo 12M";
  std::vector<std::uint8_t> b = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0};
  putLe32(b, 8);  // IFD0 right after the TIFF header
  constexpr std::uint32_t kEntries = 3;
  const std::uint32_t dataStart = 8 + 2 + kEntries * 12 + 4;
  putLe16(b, kEntries);
  putLe16(b, 0x010F);  // Make
  putLe16(b, 2);       // ASCII
  putLe32(b, static_cast<std::uint32_t>(make.size() + 1));
  putLe32(b, dataStart);
  putLe16(b, 0x0110);  // Model
  putLe16(b, 2);
  putLe32(b, static_cast<std::uint32_t>(model.size() + 1));
  putLe32(b, dataStart + static_cast<std::uint32_t>(make.size() + 1));
  putLe16(b, 0x0112);  // Orientation: upright
  putLe16(b, 3);       // SHORT
  putLe32(b, 1);
  putLe32(b, 1);
  putLe32(b, 0);  // no next IFD
  b.insert(b.end(), make.begin(), make.end());
  b.push_back(0);
  b.insert(b.end(), model.begin(), model.end());
  b.push_back(0);
  return b;
}

}  // namespace

// libjpeg's defaults are what cameras write: 2 x 2 luminance sampling (4:2:0).
// The core's writer is 4:4:4 only, so inputs are written here.
Bytes encodePhoto(const std::vector<std::uint8_t>& rgb, bool progressive, int width, int height) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);  // a failure here ends the program, which suits a generator
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&info, &out, &outSize);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, kPhotoQuality, TRUE);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  const std::vector<std::uint8_t> exif = exifPayload();
  jpeg_write_marker(&info, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
  while (info.next_scanline < info.image_height) {
    auto row = const_cast<JSAMPROW>(rgb.data() + std::size_t{info.next_scanline} *
                                                     static_cast<std::size_t>(width) * 3);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes file(out, out + outSize);
  std::free(out);
  return file;
}

}  // namespace imbrino::bench
