// Inputs of the whole-process batch benchmark (batch_bench.sh):
//   batch_inputs --photos DIR K     K photo-like 4000 x 3000 JPEGs, quality 92, 4:2:0,
//                                   with a small EXIF record, as cameras write them
//   batch_inputs --template FILE    the stamped logo: 300 x 100, half-transparent white,
//                                   a keyed picture and a line of text
//   batch_inputs --logo-png FILE    the same logo as an RGBA PNG, for other tools
// Every photo has its own seed, so no two compress alike and no cache helps.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

// After <cstdio> and <cstddef>: it uses FILE and size_t without including them.
#include <jpeglib.h>
#include <png.h>

#include "image/codecs.h"
#include "image/image_types.h"
#include "platform/file_io.h"
#include "platform/gbk.h"
#include "render/template_compose.h"
#include "template/template_file.h"

namespace imbrino {
namespace {

constexpr int kPhotoWidth = 4000;
constexpr int kPhotoHeight = 3000;
constexpr int kPhotoQuality = 92;

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

// libjpeg's defaults are what cameras write: 2 x 2 luminance sampling (4:2:0).
// The core's writer is 4:4:4 only, so inputs are written here.
Bytes encodePhoto(const std::vector<std::uint8_t>& rgb) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);  // a failure here ends the program, which suits a generator
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&info, &out, &outSize);
  info.image_width = kPhotoWidth;
  info.image_height = kPhotoHeight;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, kPhotoQuality, TRUE);
  jpeg_start_compress(&info, TRUE);
  const std::vector<std::uint8_t> exif = exifPayload();
  jpeg_write_marker(&info, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
  while (info.next_scanline < info.image_height) {
    auto row = const_cast<JSAMPROW>(rgb.data() + std::size_t{info.next_scanline} * kPhotoWidth * 3);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes file(out, out + outSize);
  std::free(out);
  return file;
}

std::string photoName(int index) {
  char name[32];
  std::snprintf(name, sizeof name, "photo-%02d.jpg", index);
  return name;
}

int writePhotos(const std::string& folder, int count) {
  for (int i = 1; i <= count; ++i) {
    const std::string path = folder + "/" + photoName(i);
    const Bytes file = encodePhoto(makePhoto(static_cast<std::uint64_t>(i)));
    if (const Status written = writeFileAtomically(path, file); !written) {
      std::cerr << written.reason() << "\n";
      return 1;
    }
    std::cout << "wrote " << path << " (" << file.size() / 1024 << " KiB)\n";
  }
  return 0;
}

// A blue square inside a white ring on a magenta ground; the key cuts the
// ground away.
Surface makeBadge(int size) {
  Surface badge = Surface::create(size, size, makePixel(255, 0, 255)).value();
  const double centre = (size - 1) / 2.0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double d = std::hypot(x - centre, y - centre) / centre;
      if (d <= 1.0) badge.setPixel(x, y, makePixel(255, 255, 255));
      if (d <= 0.8) badge.setPixel(x, y, makePixel(20, 90, 200));
    }
  return badge;
}

Template makeLogo() {
  Template logo;
  logo.background = {300, 100, 0, 0x00FFFFFF, 128, 0, 0};
  const Surface badge = makeBadge(80);
  auto picture = std::make_unique<PictureObject>();
  picture->data = encodePng(badge).value();
  picture->imageType = static_cast<std::uint32_t>(ImageType::Png);
  picture->sourceWidth = picture->width = badge.width();
  picture->sourceHeight = picture->height = badge.height();
  picture->x = 10;
  picture->y = 10;
  picture->transparent = 1;
  picture->transparentColour = 0x00FF00FF;
  picture->zOrder = 1;
  picture->selected = 0;
  logo.pictureObjects.push_back(std::move(picture));

  TextObject text;
  text.setText(utf8ToGbk("Imbrino 样张").value());
  text.font.setFaceNameBytes(utf8ToGbk("黑体").value());
  text.font.lfHeight = 32;
  text.x = 100;
  text.y = 30;
  text.transparentBack = 1;
  text.textColour = 0x00202020;
  text.zOrder = 2;
  text.selected = 0;
  logo.textObjects.push_back(text);
  return logo;
}

int writeTemplate(const std::string& path) {
  Template logo = makeLogo();
  if (const Status written = writeTemplateFile(path, logo); !written) {
    std::cerr << written.reason() << "\n";
    return 1;
  }
  std::cout << "wrote " << path << "\n";
  return 0;
}

// The logo as the core draws it, with its transparency recovered: drawn once
// over black and once over white, each pixel's alpha is what the white ground
// lets through, and its colour is what shows over black divided by that alpha.
int writeLogoPng(const std::string& path) {
  Template logo;
  Template made = makeLogo();
  // Read back from its own bytes, so the picture is decoded exactly as a
  // stamping run decodes it.
  const Bytes file = serializeTemplate(made).value();
  if (const Status parsed = parseTemplate(file, logo); !parsed) {
    std::cerr << parsed.reason() << "\n";
    return 1;
  }
  const int width = logo.background.width;
  const int height = logo.background.height;
  Surface overBlack = Surface::create(width, height, kPixelBlack).value();
  Surface overWhite = Surface::create(width, height, kPixelWhite).value();
  drawTemplate(overBlack, 0, 0, logo, false, false);
  drawTemplate(overWhite, 0, 0, logo, false, false);

  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Pixel b = overBlack.pixel(x, y);
      const Pixel w = overWhite.pixel(x, y);
      const int through =
          (redOf(w) - redOf(b) + greenOf(w) - greenOf(b) + blueOf(w) - blueOf(b)) / 3;
      const int alpha = std::clamp(255 - through, 0, 255);
      std::uint8_t* out = rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4;
      const std::uint8_t channels[3] = {redOf(b), greenOf(b), blueOf(b)};
      for (int c = 0; c < 3; ++c)
        out[c] =
            alpha == 0
                ? 0
                : static_cast<std::uint8_t>(std::min(255, (channels[c] * 255 + alpha / 2) / alpha));
      out[3] = static_cast<std::uint8_t>(alpha);
    }

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGBA;
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr)) {
    std::cerr << path << ": " << image.message << "\n";
    return 1;
  }
  std::cout << "wrote " << path << "\n";
  return 0;
}

int usage() {
  std::cerr << "usage: batch_inputs --photos DIR K | --template FILE | --logo-png FILE\n";
  return 2;
}

}  // namespace
}  // namespace imbrino

int main(int argc, char** argv) {
  using namespace imbrino;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "--photos") {
    int count = 0;
    const auto [end, error] =
        std::from_chars(args[2].data(), args[2].data() + args[2].size(), count);
    if (error != std::errc{} || end != args[2].data() + args[2].size() || count < 1 || count > 99)
      return usage();
    return writePhotos(std::string(args[1]), count);
  }
  if (args.size() == 2 && args[0] == "--template") return writeTemplate(std::string(args[1]));
  if (args.size() == 2 && args[0] == "--logo-png") return writeLogoPng(std::string(args[1]));
  return usage();
}
