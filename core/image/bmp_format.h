#pragma once
// Byte-level pieces shared by the BMP reader and writer: little-endian fields,
// the header constants, and the description of a picture's pixel data that the
// header parser hands to the pixel decoders.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/colour.h"
#include "image/codecs.h"

namespace imbrino::bmp {

inline constexpr std::size_t kFileHeaderSize = 14;
inline constexpr std::size_t kInfoHeaderSize = 40;

// Values of the compression field.
inline constexpr std::uint32_t kRgb = 0;
inline constexpr std::uint32_t kRle8 = 1;
inline constexpr std::uint32_t kRle4 = 2;
inline constexpr std::uint32_t kBitFields = 3;
inline constexpr std::uint32_t kJpeg = 4;
inline constexpr std::uint32_t kPng = 5;
inline constexpr std::uint32_t kAlphaBitFields = 6;

// Callers check the bounds; these only assemble the bytes.
inline std::uint16_t le16(ByteView bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}
inline std::uint32_t le32(ByteView bytes, std::size_t at) {
  return std::uint32_t{bytes[at]} | (std::uint32_t{bytes[at + 1]} << 8) |
         (std::uint32_t{bytes[at + 2]} << 16) | (std::uint32_t{bytes[at + 3]} << 24);
}

// Bytes in one row of `bits`-per-pixel pixels: padded to whole 32-bit words in
// the file, or just the bytes the pixels cover.
inline std::uint64_t paddedRowBytes(std::uint64_t width, unsigned bits) {
  return (width * bits + 31) / 32 * 4;
}
inline std::uint64_t rowBytes(std::uint64_t width, unsigned bits) {
  return (width * bits + 7) / 8;
}

// One colour channel of a bit-field pixel: the masked bits, shifted down and
// scaled so that the mask's full value becomes 255. Masks need not be 8 bits
// wide, nor even contiguous.
class ChannelMask {
 public:
  ChannelMask() = default;
  explicit ChannelMask(std::uint32_t mask);

  bool present() const { return mask_ != 0; }
  std::uint8_t operator()(std::uint32_t pixel) const {
    const std::uint32_t v = (pixel & mask_) >> shift_;
    if (!table_.empty()) return table_[v];
    if (max_ == 0) return 0;
    return static_cast<std::uint8_t>((std::uint64_t{v} * 255 + max_ / 2) / max_);
  }

 private:
  std::uint32_t mask_ = 0;
  unsigned shift_ = 0;
  std::uint32_t max_ = 0;
  std::vector<std::uint8_t> table_;  // for masks up to 16 bits wide
};

// What the header parser found out about the pixel data.
struct PixelLayout {
  int width = 0;
  int height = 0;
  bool topDown = false;
  unsigned bits = 0;
  std::uint32_t compression = kRgb;
  // For 1, 4 and 8 bits: always 2^bits entries; those the file leaves out are
  // black, as an index past a short palette is.
  std::vector<Pixel> palette;
  // For 16 and 32 bits.
  std::uint32_t redMask = 0;
  std::uint32_t greenMask = 0;
  std::uint32_t blueMask = 0;
  std::uint32_t alphaMask = 0;  // zero when the pixels carry no alpha
  // Pixel data from here to the end of the file.
  ByteView data;
};

// Decode into `picture`, which has the layout's size and is white. The
// uncompressed reader relies on `data` holding every row (the parser checks).
void decodeUncompressed(const PixelLayout& layout, Surface& picture);
void decodeRle(const PixelLayout& layout, Surface& picture);

}  // namespace imbrino::bmp
