// The BMP header parser: finds out which of the many header versions a file
// uses, refuses what cannot be decoded, checks that the file can hold the pixel
// data it announces and only then allocates the picture.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "graphics/picture_limits.h"
#include "image/bmp_format.h"
#include "image/codecs.h"

namespace imbrino {
namespace {

using bmp::le16;
using bmp::le32;

// OS/2 1.x headers have 16-bit sizes and 3-byte palette entries; OS/2 2.x
// headers share the first fields of the Windows one but may stop after any of
// them, and give compression 3 and 4 other meanings.
enum class HeaderKind { Core, Os2, Windows };

std::optional<HeaderKind> headerKind(std::uint32_t size) {
  if (size == 12) return HeaderKind::Core;
  if (size == 40 || size == 52 || size == 56 || size == 108 || size == 124)
    return HeaderKind::Windows;
  if (size >= 16 && size <= 64) return HeaderKind::Os2;
  return std::nullopt;
}

struct InfoHeader {
  HeaderKind kind = HeaderKind::Windows;
  std::int64_t width = 0;
  std::int64_t height = 0;  // as stored: negative for top-down pictures
  unsigned bits = 0;
  std::uint32_t compression = bmp::kRgb;
  std::uint32_t imageSize = 0;
  std::uint32_t coloursUsed = 0;
};

InfoHeader readInfoHeader(ByteView file, HeaderKind kind, std::uint32_t size) {
  const std::size_t at = bmp::kFileHeaderSize;
  InfoHeader info;
  info.kind = kind;
  if (kind == HeaderKind::Core) {
    info.width = le16(file, at + 4);
    info.height = le16(file, at + 6);
    info.bits = le16(file, at + 10);
    return info;
  }
  // Fields an OS/2 2.x header leaves out are zero.
  auto field32 = [&](std::size_t offset) -> std::uint32_t {
    return offset + 4 <= size ? le32(file, at + offset) : 0;
  };
  info.width = static_cast<std::int32_t>(field32(4));
  info.height = static_cast<std::int32_t>(field32(8));
  info.bits = le16(file, at + 14);
  info.compression = field32(16);
  info.imageSize = field32(20);
  info.coloursUsed = field32(32);
  return info;
}

std::optional<std::string> refuseCompression(const InfoHeader& info) {
  const bool os2 = info.kind == HeaderKind::Os2;
  const std::string bits = std::to_string(info.bits);
  switch (info.compression) {
    case bmp::kRgb:
      return std::nullopt;
    case bmp::kRle8:
      if (info.bits == 8) return std::nullopt;
      return "RLE8 compression needs 8 bits per pixel, the file has " + bits;
    case bmp::kRle4:
      if (info.bits == 4) return std::nullopt;
      return "RLE4 compression needs 4 bits per pixel, the file has " + bits;
    case bmp::kBitFields:
      if (os2 || info.bits == 1) return "unsupported BMP compression 3 (OS/2 Huffman 1D)";
      [[fallthrough]];
    case bmp::kAlphaBitFields:
      if (os2) break;
      if (info.bits == 16 || info.bits == 32) return std::nullopt;
      return "BMP bit fields need 16 or 32 bits per pixel, the file has " + bits;
    case bmp::kJpeg:
      return os2 ? "unsupported BMP compression 4 (OS/2 RLE24)"
                 : "unsupported BMP compression 4 (JPEG inside BMP)";
    case bmp::kPng:
      return "unsupported BMP compression 5 (PNG inside BMP)";
    case 11:
    case 12:
    case 13:
      return "unsupported BMP compression " + std::to_string(info.compression) + " (CMYK)";
    default:
      break;
  }
  return "unsupported BMP compression " + std::to_string(info.compression);
}

bool isBitFields(std::uint32_t compression) {
  return compression == bmp::kBitFields || compression == bmp::kAlphaBitFields;
}

bool isRle(std::uint32_t compression) {
  return compression == bmp::kRle8 || compression == bmp::kRle4;
}

// Everything that can refuse a BMP: the headers, the palette and whether the
// file holds the pixel data. What passes here decodes.
Expected<bmp::PixelLayout> parseBmp(ByteView file) {
  if (file.size() < 2 || file[0] != 'B' || file[1] != 'M') return fail("not a BMP file");
  const std::string truncated = "the file is truncated";
  if (file.size() < bmp::kFileHeaderSize + 4) return fail(truncated);
  const std::uint32_t offBits = le32(file, 10);
  const std::uint32_t headerSize = le32(file, bmp::kFileHeaderSize);
  const auto kind = headerKind(headerSize);
  if (!kind) return fail("unsupported BMP header size " + std::to_string(headerSize));
  if (file.size() < bmp::kFileHeaderSize + headerSize) return fail(truncated);

  const InfoHeader info = readInfoHeader(file, *kind, headerSize);
  if (auto refused = refuseCompression(info)) return fail(*refused);
  const unsigned bits = info.bits;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return fail("unsupported BMP bit depth " + std::to_string(bits));
  // The planes field is not checked: it has only ever been 1 in practice, and a
  // writer that leaves it 0 still wrote a perfectly readable picture.

  const bool rle = isRle(info.compression);
  if (info.height == std::numeric_limits<std::int32_t>::min())
    return fail("invalid BMP height " + std::to_string(info.height));
  const bool topDown = info.height < 0;
  const std::int64_t height = topDown ? -info.height : info.height;
  if (topDown && rle) return fail("a top-down BMP cannot be RLE compressed");
  if (auto refused = checkPictureSize(info.width, height)) return fail(*refused);

  bmp::PixelLayout layout;
  layout.width = static_cast<int>(info.width);
  layout.height = static_cast<int>(height);
  layout.topDown = topDown;
  layout.bits = bits;
  layout.compression = info.compression;

  // The masks of a 40-byte header follow it; later headers hold them.
  std::uint64_t headersEnd = bmp::kFileHeaderSize + headerSize;
  if (isBitFields(info.compression)) {
    const std::size_t masksAt = bmp::kFileHeaderSize + bmp::kInfoHeaderSize;
    std::uint32_t maskCount = 0;
    if (headerSize == bmp::kInfoHeaderSize) {
      maskCount = info.compression == bmp::kAlphaBitFields ? 4 : 3;
      headersEnd += 4 * maskCount;
      if (file.size() < headersEnd) return fail(truncated);
    } else {
      maskCount = headerSize >= 56 ? 4 : 3;
    }
    layout.redMask = le32(file, masksAt);
    layout.greenMask = le32(file, masksAt + 4);
    layout.blueMask = le32(file, masksAt + 8);
    if (maskCount == 4) layout.alphaMask = le32(file, masksAt + 12);
  }
  if (layout.redMask == 0 && layout.greenMask == 0 && layout.blueMask == 0) {
    // No bit fields, or masks that would make every pixel black: the layout
    // each depth has by default. The fourth byte of a 32-bit pixel is unused.
    layout.alphaMask = 0;
    if (bits == 16) {
      layout.redMask = 0x7C00;
      layout.greenMask = 0x03E0;
      layout.blueMask = 0x001F;
    } else {
      layout.redMask = 0xFF0000;
      layout.greenMask = 0x00FF00;
      layout.blueMask = 0x0000FF;
    }
  }

  // The palette. Entries the file does not hold (it ends first) and indices
  // past a short palette are black.
  const std::uint64_t entrySize = info.kind == HeaderKind::Core ? 3 : 4;
  std::uint64_t colours = info.coloursUsed;
  std::uint64_t usedColours = 0;  // the entries an index can reach
  if (bits <= 8) {
    const std::uint64_t maxColours = std::uint64_t{1} << bits;
    if (colours == 0) colours = maxColours;
    usedColours = std::min(colours, maxColours);
    layout.palette.assign(maxColours, kPixelBlack);
    for (std::uint64_t i = 0; i < usedColours; ++i) {
      const std::uint64_t at = headersEnd + i * entrySize;
      if (at + entrySize > file.size()) break;
      layout.palette[i] = makePixel(file[at + 2], file[at + 1], file[at]);
    }
  }

  // An offset of 0, or one inside the headers or the palette the pixels use,
  // is a writer's mistake; the data then follows the palette as announced.
  // Pictures of more than 8 bits need no palette, so their data may start
  // inside an announced (optional) one.
  std::uint64_t dataOffset = offBits;
  if (offBits == 0 || offBits < headersEnd + usedColours * entrySize)
    dataOffset = headersEnd + colours * entrySize;
  const std::uint64_t available = dataOffset < file.size() ? file.size() - dataOffset : 0;
  if (available > 0) layout.data = file.subspan(static_cast<std::size_t>(dataOffset));

  if (rle) {
    // Running out of RLE data early is not an error (the rest stays white), but
    // a size the file plainly cannot hold is, and so is no data at all: even an
    // empty picture ends with a 2-byte end-of-bitmap.
    const std::uint64_t announced = info.imageSize != 0 ? info.imageSize : 2;
    if (auto refused = checkDataAvailable(announced, available)) return fail(*refused);
  } else {
    const std::uint64_t required =
        bmp::paddedRowBytes(layout.width, bits) * static_cast<std::uint64_t>(height - 1) +
        bmp::rowBytes(layout.width, bits);
    if (auto refused = checkDataAvailable(required, available)) return fail(*refused);
  }

  return layout;
}

}  // namespace

Expected<Surface> decodeBmp(ByteView file) {
  auto layout = parseBmp(file);
  if (!layout) return fail(layout.reason());
  auto created = Surface::create(layout->width, layout->height, kPixelWhite);
  if (!created) return created;
  Surface picture = std::move(created).value();
  if (isRle(layout->compression))
    bmp::decodeRle(*layout, picture);
  else
    bmp::decodeUncompressed(*layout, picture);
  return picture;
}

Expected<ImageSize> checkBmp(ByteView file) {
  auto layout = parseBmp(file);
  if (!layout) return fail(layout.reason());
  return ImageSize{layout->width, layout->height};
}

}  // namespace imbrino
