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

#include <png.h>

#include "bench_photo.h"
#include "graphics/resample.h"
#include "image/codecs.h"
#include "image/image_types.h"
#include "platform/file_io.h"
#include "platform/gbk.h"
#include "render/mark_layer.h"
#include "template/template_file.h"

namespace imbrino {
namespace {

using bench::encodePhoto;
using bench::makePhoto;

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

// The logo as the core draws it, with its transparency recovered (see
// renderMarkLayer), its colours no longer multiplied by their alpha.
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
  const MarkLayer layer = renderMarkLayer(logo, nullptr).value();
  const int width = layer.width;
  const int height = layer.height;
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
  for (std::size_t i = 0; i < layer.pixels.size(); ++i) {
    const std::uint32_t p = layer.pixels[i];
    const int alpha = static_cast<int>(p >> 24);
    std::uint8_t* out = rgba.data() + i * 4;
    for (int c = 0; c < 3; ++c) {
      const int premultiplied = static_cast<int>((p >> (16 - 8 * c)) & 0xFF);
      out[c] =
          alpha == 0
              ? 0
              : static_cast<std::uint8_t>(std::min(255, (premultiplied * 255 + alpha / 2) / alpha));
    }
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

// A phone's and a camera's photos next to web pictures: 24 photos in six
// sizes, landscape and portrait, 48 MP down to 0.3 MP.
int writeMixedPhotos(const std::string& folder) {
  constexpr std::pair<int, int> kSizes[] = {{8000, 6000}, {4000, 3000}, {3000, 4000},
                                            {1920, 1080}, {1080, 1920}, {640, 480}};
  for (int i = 0; i < 24; ++i) {
    const auto [width, height] = kSizes[i % 6];
    const std::vector<std::uint8_t> rgb = makePhoto(static_cast<std::uint64_t>(100 + i));
    Surface photo = Surface::create(bench::kPhotoWidth, bench::kPhotoHeight).value();
    for (std::size_t p = 0; p < photo.pixels().size(); ++p)
      photo.pixels()[p] = makePixel(rgb[3 * p], rgb[3 * p + 1], rgb[3 * p + 2]);
    const Surface sized = resampleSurface(photo, photo.bounds(), width, height).value();
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t p = 0; p < sized.pixels().size(); ++p) {
      const Pixel px = sized.pixels()[p];
      out[3 * p] = redOf(px);
      out[3 * p + 1] = greenOf(px);
      out[3 * p + 2] = blueOf(px);
    }
    char name[48];
    std::snprintf(name, sizeof name, "/mixed-%02d-%dx%d.jpg", i + 1, width, height);
    if (const Status written =
            writeFileAtomically(folder + name, encodePhoto(out, false, width, height));
        !written) {
      std::cerr << written.reason() << "\n";
      return 1;
    }
  }
  std::cout << "wrote 24 mixed photos to " << folder << "\n";
  return 0;
}

int usage() {
  std::cerr << "usage: batch_inputs --photos DIR K | --mixed DIR | --template FILE | --logo-png "
               "FILE\n";
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
  if (args.size() == 2 && args[0] == "--mixed") return writeMixedPhotos(std::string(args[1]));
  if (args.size() == 2 && args[0] == "--template") return writeTemplate(std::string(args[1]));
  if (args.size() == 2 && args[0] == "--logo-png") return writeLogoPng(std::string(args[1]));
  return usage();
}
