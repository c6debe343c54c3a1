// GIF writing: libimagequant chooses at most 256 colours and maps the
// picture onto them with Floyd-Steinberg error diffusion; giflib writes one
// GIF89a image with a global colour table.

#include <gif_lib.h>
#include <libimagequant.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "image/codecs.h"

namespace imbrino {
namespace {

struct LiqAttrRelease {
  void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
};
struct LiqImageRelease {
  void operator()(liq_image* image) const { liq_image_destroy(image); }
};
struct LiqResultRelease {
  void operator()(liq_result* result) const { liq_result_destroy(result); }
};
struct GifMapRelease {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
struct GifWriterClose {
  void operator()(GifFileType* gif) const { EGifCloseFile(gif, nullptr); }
};
using GifWriter = std::unique_ptr<GifFileType, GifWriterClose>;

// libimagequant's speed runs from 1 (slowest) to 10. 5 is the fastest
// setting that still spares sharp edges, such as stamped text, from
// dithering noise; against the default 4 it saves about a third of the time
// on small pictures (large ones take as long either way) for a few percent
// more colour error.
constexpr int kQuantizeSpeed = 5;

// The picture reduced to at most 256 colours: one palette index per pixel.
struct IndexedPicture {
  std::vector<liq_color> palette;
  std::vector<std::uint8_t> indices;
};

Expected<IndexedPicture> quantize(const Surface& picture) {
  std::unique_ptr<liq_attr, LiqAttrRelease> attr(liq_attr_create());
  if (!attr) return fail("GIF: not enough memory");
  liq_set_max_colors(attr.get(), 256);
  liq_set_speed(attr.get(), kQuantizeSpeed);

  const std::size_t pixelCount = picture.pixels().size();
  std::vector<liq_color> rgba(pixelCount);
  std::transform(picture.pixels().begin(), picture.pixels().end(), rgba.begin(), [](Pixel p) {
    return liq_color{redOf(p), greenOf(p), blueOf(p), 255};
  });
  std::unique_ptr<liq_image, LiqImageRelease> image(
      liq_image_create_rgba(attr.get(), rgba.data(), picture.width(), picture.height(), 0));
  if (!image) return fail("GIF: the picture is too large to reduce to 256 colours");

  liq_result* rawResult = nullptr;
  if (liq_image_quantize(image.get(), attr.get(), &rawResult) != LIQ_OK || rawResult == nullptr)
    return fail("GIF: the colours could not be reduced");
  std::unique_ptr<liq_result, LiqResultRelease> result(rawResult);
  // Floyd-Steinberg error diffusion at full strength.
  liq_set_dithering_level(result.get(), 1.0f);

  IndexedPicture indexed;
  indexed.indices.resize(pixelCount);
  if (liq_write_remapped_image(result.get(), image.get(), indexed.indices.data(), pixelCount) !=
      LIQ_OK)
    return fail("GIF: the colours could not be reduced");
  // Remapping refines the palette, so it is read afterwards.
  const liq_palette* palette = liq_get_palette(result.get());
  indexed.palette.assign(palette->entries, palette->entries + palette->count);
  return indexed;
}

std::string gifReason(int error) {
  const char* text = GifErrorString(error);
  return std::string("GIF: ") + (text != nullptr ? text : "unknown error");
}

struct GifSink {
  Bytes bytes;

  static int write(GifFileType* gif, const GifByteType* data, int length) {
    auto* self = static_cast<GifSink*>(gif->UserData);
    try {
      self->bytes.insert(self->bytes.end(), data, data + length);
    } catch (const std::bad_alloc&) {
      return 0;  // giflib reports a failed write
    }
    return length;
  }
};

// A GIF colour table holds a power of two entries, at least 2.
int colourTableSize(std::size_t colours) {
  int size = 2;
  while (static_cast<std::size_t>(size) < colours) size *= 2;
  return size;
}

Expected<Bytes> writeGif(int width, int height, IndexedPicture& indexed) {
  const int tableSize = colourTableSize(indexed.palette.size());
  std::unique_ptr<ColorMapObject, GifMapRelease> table(GifMakeMapObject(tableSize, nullptr));
  if (!table) return fail("GIF: not enough memory");
  // The entries past the palette stay black; no pixel uses them.
  for (std::size_t i = 0; i < indexed.palette.size(); ++i)
    table->Colors[i] = {indexed.palette[i].r, indexed.palette[i].g, indexed.palette[i].b};

  GifSink sink;
  int error = 0;
  GifWriter gif(EGifOpen(&sink, GifSink::write, &error));
  if (!gif) return fail(gifReason(error));
  EGifSetGifVersion(gif.get(), true);
  if (EGifPutScreenDesc(gif.get(), width, height, 8, 0, table.get()) == GIF_ERROR ||
      EGifPutImageDesc(gif.get(), 0, 0, width, height, false, nullptr) == GIF_ERROR)
    return fail(gifReason(gif->Error));
  for (int y = 0; y < height; ++y)
    if (EGifPutLine(gif.get(), indexed.indices.data() + static_cast<std::size_t>(y) * width,
                    width) == GIF_ERROR)
      return fail(gifReason(gif->Error));
  // Closing writes the trailer.
  if (EGifCloseFile(gif.release(), &error) == GIF_ERROR) return fail(gifReason(error));
  return std::move(sink.bytes);
}

}  // namespace

Expected<Bytes> encodeGif(const Surface& picture) {
  if (picture.empty()) return fail("GIF: cannot write a picture without pixels");
  if (picture.width() > 65535 || picture.height() > 65535)
    return fail("GIF: a GIF holds at most 65535 pixels a side");
  try {
    auto indexed = quantize(picture);
    if (!indexed) return fail(indexed.reason());
    return writeGif(picture.width(), picture.height(), *indexed);
  } catch (const std::bad_alloc&) {
    return fail("GIF: not enough memory");
  }
}

}  // namespace imbrino
