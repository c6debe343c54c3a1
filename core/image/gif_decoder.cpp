// GIF reading through giflib: the first frame only, read no further than it
// ends. Writing is in gif_encoder.cpp.

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "graphics/picture_limits.h"
#include "image/codecs.h"

namespace imbrino {
namespace {

std::string gifReason(int error) {
  const char* text = GifErrorString(error);
  return std::string("GIF: ") + (text != nullptr ? text : "unknown error");
}

struct GifSource {
  ByteView file;
  std::size_t position = 0;
  bool ranOut = false;

  static int read(GifFileType* gif, GifByteType* out, int length) {
    auto* self = static_cast<GifSource*>(gif->UserData);
    const std::size_t wanted = length > 0 ? static_cast<std::size_t>(length) : 0;
    const std::size_t count = std::min(wanted, self->file.size() - self->position);
    if (count < wanted) self->ranOut = true;
    std::memcpy(out, self->file.data() + self->position, count);
    self->position += count;
    return static_cast<int>(count);
  }
};

struct GifReaderClose {
  void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using GifReader = std::unique_ptr<GifFileType, GifReaderClose>;

// The reason for giflib's last failure; running out of bytes is the common
// one and deserves plain words.
std::string readFailure(const GifReader& gif, const GifSource& source) {
  if (source.ranOut) return "GIF: the file is truncated";
  return gifReason(gif->Error);
}

// The rows of a frame in the order they are stored: interlaced frames hold
// every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1.
std::vector<int> storedRowOrder(int height, bool interlaced) {
  std::vector<int> rows;
  rows.reserve(static_cast<std::size_t>(height));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  constexpr int kStart[] = {0, 4, 2, 1};
  constexpr int kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
  return rows;
}

// Reads up to the first image descriptor; the transparent index is taken from
// the last Graphic Control Extension before it.
Status findFirstFrame(const GifReader& gif, const GifSource& source, int& transparentIndex) {
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return fail(readFailure(gif, source));
    if (type == TERMINATE_RECORD_TYPE) return fail("GIF: the file holds no picture");
    if (type == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return fail(readFailure(gif, source));
      return {};
    }
    if (type != EXTENSION_RECORD_TYPE) return fail("GIF: unexpected record");
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
      return fail(readFailure(gif, source));
    GraphicsControlBlock control{};
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr &&
        DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
      transparentIndex = control.TransparentColor;
    while (block != nullptr)
      if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR)
        return fail(readFailure(gif, source));
  }
}

enum class GifReading { Header, Rows, Picture };

// Reads the first frame; for a picture, draws it on a white canvas made in
// `canvas`. For rows only the frame's rows are decompressed all the same, into
// one line, so that the file is judged exactly as decoding it would judge it.
// The header reading stops at the frame's descriptor.
Expected<ImageSize> readFirstFrame(ByteView file, GifReading reading, Surface* canvas = nullptr) {
  GifSource source{file};
  int error = 0;
  GifReader gif(DGifOpen(&source, GifSource::read, &error));
  if (!gif) return fail(source.ranOut ? "GIF: the file is truncated" : gifReason(error));

  int transparentIndex = NO_TRANSPARENT_COLOR;
  if (Status found = findFirstFrame(gif, source, transparentIndex); !found)
    return fail(found.reason());
  const GifImageDesc& frame = gif->Image;
  const ColorMapObject* colours = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
  // Without a colour table the pixels are mere numbers; any colours made up
  // for them would be wrong.
  if (colours == nullptr || colours->Colors == nullptr)
    return fail("GIF: the picture has no colour table");

  // The canvas is the logical screen, grown where the frame reaches past it
  // (or where the screen is announced as 0 x 0): browsers differ here, and
  // growing is the choice that loses no pixel of the frame and keeps its place.
  const int canvasWidth = std::max(gif->SWidth, frame.Left + frame.Width);
  const int canvasHeight = std::max(gif->SHeight, frame.Top + frame.Height);
  if (auto refused = checkPictureSize(canvasWidth, canvasHeight)) return fail("GIF: " + *refused);
  // An LZW code is at most 12 bits and stands for fewer than 3840 pixels (the
  // longest string its 4096-entry table can grow), so no encoder packs more
  // than about 2560 pixels into a byte. A file smaller than the frame's
  // pixels / 3000 cannot hold the frame.
  const auto framePixels = static_cast<std::uint64_t>(frame.Width) * frame.Height;
  if (auto refused = checkDataAvailable(framePixels / 3000, file.size()))
    return fail("GIF: " + *refused);
  if (reading == GifReading::Header) return ImageSize{canvasWidth, canvasHeight};

  std::array<Pixel, 256> palette{};
  palette.fill(kPixelBlack);  // indices past the table: black, as a padded table would give
  for (int i = 0; i < std::min(colours->ColorCount, 256); ++i)
    palette[i] =
        makePixel(colours->Colors[i].Red, colours->Colors[i].Green, colours->Colors[i].Blue);

  // Outside the frame and under its transparent pixels the canvas stays white.
  if (reading == GifReading::Picture) {
    auto created = Surface::create(canvasWidth, canvasHeight, kPixelWhite);
    if (!created) return fail("GIF: " + created.reason());
    *canvas = std::move(*created);
  }
  const ImageSize size{canvasWidth, canvasHeight};
  if (frame.Width <= 0 || frame.Height <= 0) return size;

  std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
  for (const int y : storedRowOrder(frame.Height, frame.Interlace)) {
    if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR)
      return fail(readFailure(gif, source));
    if (reading != GifReading::Picture) continue;
    Pixel* out = canvas->row(frame.Top + y) + frame.Left;
    for (int x = 0; x < frame.Width; ++x)
      if (line[x] != transparentIndex) out[x] = palette[line[x]];
  }
  return size;
}

}  // namespace

Expected<Surface> decodeGif(ByteView file) {
  Surface canvas;
  if (auto read = readFirstFrame(file, GifReading::Picture, &canvas); !read)
    return fail(read.reason());
  return canvas;
}

Expected<ImageSize> checkGif(ByteView file) {
  return readFirstFrame(file, GifReading::Rows);
}

Expected<ImageSize> readGifSize(ByteView file) {
  return readFirstFrame(file, GifReading::Header);
}

}  // namespace imbrino
