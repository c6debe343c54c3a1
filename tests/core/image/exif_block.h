#pragma once
// EXIF blocks for the tests: the smallest one a camera could write, and one
// laid out the way cameras do, with values outside the entries and a second
// IFD for the thumbnail.

#include <cstdint>
#include <string>

#include "image/codecs.h"

namespace imbrino::test {

// Appends TIFF numbers in either byte order.
class TiffWriter {
 public:
  explicit TiffWriter(bool bigEndian) : bigEndian_(bigEndian) {}

  void put16(unsigned v) {
    const auto hi = static_cast<std::uint8_t>(v >> 8), lo = static_cast<std::uint8_t>(v);
    bytes_.insert(bytes_.end(), bigEndian_ ? std::initializer_list<std::uint8_t>{hi, lo}
                                           : std::initializer_list<std::uint8_t>{lo, hi});
  }
  void put32(unsigned v) {
    bigEndian_ ? (put16(v >> 16), put16(v & 0xFFFF)) : (put16(v & 0xFFFF), put16(v >> 16));
  }
  void header() {
    put16(bigEndian_ ? 0x4D4D : 0x4949);  // "MM" or "II" either way round
    put16(42);
  }
  // An entry whose value fits the entry: a single SHORT, padded to 4 bytes.
  void shortEntry(unsigned tag, unsigned value) {
    put16(tag);
    put16(3);
    put32(1);
    put16(value);
    put16(0);
  }
  void entry(unsigned tag, unsigned type, unsigned count, unsigned offset) {
    put16(tag);
    put16(type);
    put32(count);
    put32(offset);
  }
  void text(const std::string& s) { bytes_.insert(bytes_.end(), s.begin(), s.end()); }
  Bytes& bytes() { return bytes_; }

 private:
  bool bigEndian_;
  Bytes bytes_;
};

// The APP1 payload ("Exif\0\0" and a TIFF header) with one IFD holding only
// the orientation.
inline Bytes exifOrientationBlock(int orientation, bool bigEndian = false) {
  TiffWriter tiff(bigEndian);
  tiff.text(std::string("Exif\0\0", 6));
  tiff.header();
  tiff.put32(8);  // the IFD follows the header
  tiff.put16(1);  // one entry
  tiff.shortEntry(0x0112, static_cast<unsigned>(orientation));
  tiff.put32(0);  // no further IFD
  return tiff.bytes();
}

// A TIFF block as cameras write it: IFD0 with a description and a resolution
// stored after the IFD, the orientation between them, and IFD1 (the
// thumbnail's) recording the same orientation.
inline Bytes cameraExifBlock(int orientation, bool bigEndian = false) {
  const std::string description = "stamped pic";  // 12 bytes with the NUL
  constexpr unsigned kIfd0 = 8, kIfd0Size = 2 + 3 * 12 + 4;
  constexpr unsigned kDescription = kIfd0 + kIfd0Size, kResolution = kDescription + 12;
  constexpr unsigned kIfd1 = kResolution + 8;
  TiffWriter tiff(bigEndian);
  tiff.header();
  tiff.put32(kIfd0);
  tiff.put16(3);
  tiff.entry(0x010E, 2, 12, kDescription);  // ImageDescription, ASCII
  tiff.shortEntry(0x0112, static_cast<unsigned>(orientation));
  tiff.entry(0x011A, 5, 1, kResolution);  // XResolution, RATIONAL
  tiff.put32(kIfd1);
  tiff.text(description);
  tiff.bytes().push_back(0);
  tiff.put32(300);
  tiff.put32(1);
  tiff.put16(1);
  tiff.shortEntry(0x0112, static_cast<unsigned>(orientation));
  tiff.put32(0);
  return tiff.bytes();
}

}  // namespace imbrino::test
