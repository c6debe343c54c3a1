// The BMP pixel decoders: uncompressed rows of every depth, bit fields, and
// the two run-length encodings. The header parser has checked the sizes; the
// RLE decoder trusts nothing in its data.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "image/bmp_format.h"

namespace imbrino::bmp {

ChannelMask::ChannelMask(std::uint32_t mask) : mask_(mask) {
  if (mask == 0) return;
  shift_ = static_cast<unsigned>(std::countr_zero(mask));
  max_ = mask >> shift_;
  if (max_ > 0xFFFF) return;
  table_.resize(max_ + std::size_t{1});
  for (std::uint32_t v = 0; v <= max_; ++v)
    table_[v] = static_cast<std::uint8_t>((std::uint64_t{v} * 255 + max_ / 2) / max_);
}

namespace {

// Rows are stored bottom-up unless the height was negative.
Pixel* targetRow(const PixelLayout& layout, Surface& picture, int fileRow) {
  return picture.row(layout.topDown ? fileRow : layout.height - 1 - fileRow);
}

const std::uint8_t* sourceRow(const PixelLayout& layout, int fileRow) {
  return layout.data.data() +
         paddedRowBytes(static_cast<std::uint64_t>(layout.width), layout.bits) *
             static_cast<std::uint64_t>(fileRow);
}

void decodeIndexed(const PixelLayout& layout, Surface& picture) {
  const unsigned bits = layout.bits;
  const unsigned perByte = 8 / bits;
  const unsigned indexMask = (1u << bits) - 1;
  for (int y = 0; y < layout.height; ++y) {
    const std::uint8_t* in = sourceRow(layout, y);
    Pixel* out = targetRow(layout, picture, y);
    for (int x = 0; x < layout.width; ++x) {
      // The leftmost pixel is in the byte's highest bits.
      const unsigned slot = static_cast<unsigned>(x) % perByte;
      const unsigned shift = 8 - bits * (slot + 1);
      out[x] = layout.palette[(in[static_cast<unsigned>(x) / perByte] >> shift) & indexMask];
    }
  }
}

void decode24(const PixelLayout& layout, Surface& picture) {
  for (int y = 0; y < layout.height; ++y) {
    const std::uint8_t* in = sourceRow(layout, y);
    Pixel* out = targetRow(layout, picture, y);
    for (int x = 0; x < layout.width; ++x, in += 3) out[x] = makePixel(in[2], in[1], in[0]);
  }
}

// Returns whether any pixel had a non-zero alpha value.
bool decodeBitFields(const PixelLayout& layout, Surface& picture, bool useAlpha) {
  const ChannelMask red(layout.redMask);
  const ChannelMask green(layout.greenMask);
  const ChannelMask blue(layout.blueMask);
  const ChannelMask alpha(useAlpha ? layout.alphaMask : 0);
  const bool wide = layout.bits == 32;
  bool anyAlpha = false;
  for (int y = 0; y < layout.height; ++y) {
    const std::uint8_t* in = sourceRow(layout, y);
    Pixel* out = targetRow(layout, picture, y);
    for (int x = 0; x < layout.width; ++x) {
      std::uint32_t v = 0;
      if (wide) {
        v = std::uint32_t{in[0]} | (std::uint32_t{in[1]} << 8) | (std::uint32_t{in[2]} << 16) |
            (std::uint32_t{in[3]} << 24);
        in += 4;
      } else {
        v = std::uint32_t{in[0]} | (std::uint32_t{in[1]} << 8);
        in += 2;
      }
      if (alpha.present()) {
        const std::uint8_t a = alpha(v);
        anyAlpha = anyAlpha || a != 0;
        out[x] = overWhite(red(v), green(v), blue(v), a);
      } else {
        out[x] = makePixel(red(v), green(v), blue(v));
      }
    }
  }
  return anyAlpha;
}

}  // namespace

void decodeUncompressed(const PixelLayout& layout, Surface& picture) {
  if (layout.bits <= 8) return decodeIndexed(layout, picture);
  if (layout.bits == 24) return decode24(layout, picture);
  if (layout.alphaMask != 0) {
    // Some writers announce an alpha channel and leave it zero throughout; a
    // picture that is entirely transparent is never what was meant, so such a
    // file is read as opaque.
    if (decodeBitFields(layout, picture, true)) return;
  }
  decodeBitFields(layout, picture, false);
}

void decodeRle(const PixelLayout& layout, Surface& picture) {
  const ByteView in = layout.data;
  const bool nibbles = layout.compression == kRle4;
  const std::int64_t width = layout.width;
  const std::int64_t height = layout.height;
  // x and y count from the bottom-left corner. Runs and deltas that leave the
  // picture are clipped; x is kept from growing without bound by deltas.
  std::int64_t x = 0;
  std::int64_t y = 0;
  auto put = [&](unsigned index) {
    if (x < width) picture.row(static_cast<int>(height - 1 - y))[x] = layout.palette[index];
    ++x;
  };

  // Every step consumes at least two bytes, so hostile data cannot make this
  // loop run for longer than the file is long.
  std::size_t at = 0;
  while (at + 2 <= in.size() && y < height) {
    const unsigned count = in[at];
    const unsigned value = in[at + 1];
    at += 2;
    if (count > 0) {
      // A run of one index (RLE8) or of two alternating ones (RLE4).
      for (unsigned i = 0; i < count; ++i)
        put(!nibbles ? value : (i % 2 == 0 ? value >> 4 : value & 0x0F));
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return;
    } else if (value == 2) {  // delta: move right and up
      if (at + 2 > in.size()) return;
      x = std::min<std::int64_t>(x + in[at], width);
      y += in[at + 1];
      at += 2;
    } else {
      // An absolute run of `value` indices, padded to a 16-bit boundary.
      const std::size_t bytes = nibbles ? (value + 1) / 2 : value;
      for (unsigned i = 0; i < value; ++i) {
        const std::size_t byteAt = at + (nibbles ? i / 2 : i);
        if (byteAt >= in.size()) return;
        const unsigned byte = in[byteAt];
        put(!nibbles ? byte : (i % 2 == 0 ? byte >> 4 : byte & 0x0F));
      }
      at += bytes + (bytes & 1);
    }
  }
}

}  // namespace imbrino::bmp
