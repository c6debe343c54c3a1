#pragma once
// The smallest EXIF block a camera could write: the APP1 payload ("Exif\0\0"
// and a TIFF header) with one IFD holding only the orientation.

#include <cstdint>

#include "image/codecs.h"

namespace imbrino::test {

inline Bytes exifOrientationBlock(int orientation, bool bigEndian = false) {
  Bytes block = {'E', 'x', 'i', 'f', 0, 0};
  auto put16 = [&](unsigned v) {
    const auto hi = static_cast<std::uint8_t>(v >> 8), lo = static_cast<std::uint8_t>(v);
    block.insert(block.end(), bigEndian ? std::initializer_list<std::uint8_t>{hi, lo}
                                        : std::initializer_list<std::uint8_t>{lo, hi});
  };
  auto put32 = [&](unsigned v) {
    bigEndian ? (put16(v >> 16), put16(v & 0xFFFF)) : (put16(v & 0xFFFF), put16(v >> 16));
  };
  put16(bigEndian ? 0x4D4D : 0x4949);  // "MM" or "II" either way round
  put16(42);
  put32(8);       // the IFD follows the header
  put16(1);       // one entry:
  put16(0x0112);  //   Orientation
  put16(3);       //   SHORT
  put32(1);       //   one value,
  put16(static_cast<unsigned>(orientation));
  put16(0);  //   padded to 4 bytes
  put32(0);  // no further IFD
  return block;
}

}  // namespace imbrino::test
