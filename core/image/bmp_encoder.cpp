// The BMP writer: the one variant every reader understands, 24 bits per pixel,
// bottom-up rows, a 40-byte info header and no palette.

#include <cstdint>
#include <limits>
#include <new>

#include "image/bmp_format.h"
#include "image/codecs.h"
#include "platform/byte_stream.h"

namespace imbrino {

Expected<Bytes> encodeBmp(const Surface& picture) {
  if (picture.empty()) return fail("an empty picture cannot be saved as BMP");
  const auto width = static_cast<std::uint64_t>(picture.width());
  const auto height = static_cast<std::uint64_t>(picture.height());
  const std::uint64_t stride = bmp::paddedRowBytes(width, 24);
  const std::uint64_t imageSize = stride * height;
  const std::uint64_t headersSize = bmp::kFileHeaderSize + bmp::kInfoHeaderSize;
  const std::uint64_t fileSize = headersSize + imageSize;
  if (fileSize > std::numeric_limits<std::uint32_t>::max())
    return fail("the picture is too large for a BMP file");

  ByteWriter header;
  constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 dpi
  header.write(std::uint8_t{'B'});
  header.write(std::uint8_t{'M'});
  header.write<std::uint32_t>(static_cast<std::uint32_t>(fileSize));
  header.write<std::uint32_t>(0);  // reserved
  header.write<std::uint32_t>(static_cast<std::uint32_t>(headersSize));
  header.write<std::uint32_t>(static_cast<std::uint32_t>(bmp::kInfoHeaderSize));
  header.write<std::uint32_t>(static_cast<std::uint32_t>(width));
  header.write<std::uint32_t>(static_cast<std::uint32_t>(height));  // positive: bottom-up
  header.write<std::uint16_t>(1);                                   // planes
  header.write<std::uint16_t>(24);
  header.write<std::uint32_t>(bmp::kRgb);
  header.write<std::uint32_t>(static_cast<std::uint32_t>(imageSize));
  header.write<std::uint32_t>(kPixelsPerMetre);
  header.write<std::uint32_t>(kPixelsPerMetre);
  header.write<std::uint32_t>(0);  // colours used
  header.write<std::uint32_t>(0);  // important colours

  Bytes out;
  try {
    out = std::move(header.bytes());
    out.resize(static_cast<std::size_t>(fileSize), 0);  // the padding stays zero
  } catch (const std::bad_alloc&) {
    return fail("not enough memory to write the BMP file");
  }
  std::uint8_t* row = out.data() + headersSize;
  for (int y = picture.height() - 1; y >= 0; --y, row += stride) {
    const Pixel* in = picture.row(y);
    std::uint8_t* p = row;
    for (int x = 0; x < picture.width(); ++x) {
      *p++ = blueOf(in[x]);
      *p++ = greenOf(in[x]);
      *p++ = redOf(in[x]);
    }
  }
  return out;
}

}  // namespace imbrino
