#pragma once
// The Huffman-coded data of a sequential JPEG scan, read and written block by
// block, so a stamp can splice its few new blocks into a photo's coded data
// and carry every other bit over as it stands.
//
// The reader is strict where libjpeg is lenient: a code the table lacks, a
// run past the 64th coefficient, a magnitude no 8-bit picture yields, data
// running into a marker, a wrong restart marker or stray bytes before one all
// make it fail. Its caller then hands the file to libjpeg, which decides what
// such a file means; whatever the reader accepts, libjpeg decodes to the same
// coefficients without a warning.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

#include "image/codecs.h"

namespace imbrino {

// Natural (row by row) index of the k-th coefficient in zig-zag order.
extern const std::array<std::uint8_t, 64> kZigZagToNatural;

// A Huffman table as the decoder uses it: a 10-bit look-up for short codes,
// the canonical code limits for the rest.
class HuffmanDecodeTable {
 public:
  // False when `table` is not a valid code (too many codes of a length) or,
  // for a DC table, holds a magnitude category above 11.
  bool build(const JHUFF_TBL& table, bool dc);

  static constexpr int kLookahead = 10;
  // Entry: code length << 8 | symbol; 0 when the code is longer.
  std::array<std::uint16_t, 1 << kLookahead> fast{};
  std::array<std::int32_t, 18> maxCode{};  // largest code of each length, -1 if none
  std::array<std::int32_t, 17> valueOffset{};
  std::array<std::uint8_t, 256> symbols{};
};

// A Huffman table as the encoder uses it; a symbol of size 0 has no code.
struct HuffmanEncodeTable {
  bool build(const JHUFF_TBL& table);
  std::array<std::uint16_t, 256> code{};
  std::array<std::uint8_t, 256> size{};
};

// A place in the coded data: bits counted in the data itself, without the
// stuffed zero bytes and restart markers the file holds between them.
using DataBit = std::uint64_t;

// Reads coded data from `file`, starting at `start` (just after a start of
// scan), up to the first marker that is not an expected restart.
class EntropyReader {
 public:
  EntropyReader(ByteView file, std::size_t start) : file_(file), pos_(start), start_(start) {}

  // One block: the DC difference is added to `predictor`; with `block`, the
  // coefficients are stored there in natural order (the caller zeroes it).
  // False on anything a clean stream does not hold.
  bool readBlock(const HuffmanDecodeTable& dc, const HuffmanDecodeTable& ac, int& predictor,
                 JCOEF* block);

  // Drops the bits to the next byte and reads the restart marker `number`
  // (0..7), which must follow at once; `markerAt` is where it starts.
  bool restart(int number, std::size_t& markerAt);

  // After the last block: nothing but padding is left before the marker
  // that ends the data. Gives where that marker starts in the file.
  bool finish(std::size_t& markerAt);

  // True when a block so far read past the end of the data.
  bool overrun() const { return zeroBits_ > count_; }

  DataBit position() const { return loaded_ * 8 + zeroBits_ - count_; }
  // Where the data byte holding bit `bit` lies in the file.
  std::size_t fileOffsetOf(DataBit bit) const;

 private:
  void fill();
  std::uint32_t peek(int n) const { return static_cast<std::uint32_t>(acc_ >> (64 - n)); }
  void skip(int n) {
    acc_ <<= n;
    count_ -= n;
  }
  int decodeSymbol(const HuffmanDecodeTable& table);

  ByteView file_;
  std::size_t pos_;        // next byte of the file to load
  std::size_t start_;      // first byte of the data
  std::uint64_t acc_ = 0;  // loaded bits, the next one topmost
  int count_ = 0;          // bits in acc_, real and zero fill
  int zeroBits_ = 0;       // zero bits added after the data ran into a marker
  bool atMarker_ = false;
  std::uint64_t loaded_ = 0;  // data bytes loaded so far
  // Data bytes whose 0xFF was followed by a stuffed zero, and data bytes a
  // restart marker stood before: to map data bits back to file offsets.
  std::vector<std::uint64_t> stuffedAfter_;
  std::vector<std::uint64_t> markerBefore_;
};

// Writes coded data: bits, stuffing a zero byte after each 0xFF.
class EntropyWriter {
 public:
  explicit EntropyWriter(Bytes& out) : out_(out) {}

  void put(std::uint32_t bits, int count) {
    acc_ = (acc_ << count) | (bits & ((std::uint64_t{1} << count) - 1));
    count_ += count;
    while (count_ >= 8) {
      count_ -= 8;
      const auto byte = static_cast<std::uint8_t>(acc_ >> count_);
      out_.push_back(byte);
      if (byte == 0xFF) out_.push_back(0);
    }
  }

  // One block, coefficients in natural order, its DC coded against
  // `predictor`, which then becomes the block's DC. False when a table lacks
  // a code the block needs.
  bool writeBlock(const HuffmanEncodeTable& dc, const HuffmanEncodeTable& ac, int& predictor,
                  const JCOEF* block);

  // Pads with one bits to the next byte, as encoders do before a marker.
  void padToByte() {
    if (count_ > 0) put(0xFF, 8 - count_);
  }
  void marker(std::uint8_t code) {
    out_.push_back(0xFF);
    out_.push_back(code);
  }

  // Copies the coded data of `file` from data bit `from` to data bit `to`
  // (no marker lies between them), as `reader` located them.
  void copyBits(ByteView file, const EntropyReader& reader, DataBit from, DataBit to);

 private:
  Bytes& out_;
  std::uint64_t acc_ = 0;
  int count_ = 0;
};

}  // namespace imbrino
