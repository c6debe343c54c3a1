// Huffman-coded scan data, read and written block by block; see jpeg_entropy.h.

#include "image/jpeg_keep/jpeg_entropy.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

namespace imbrino {

const std::array<std::uint8_t, 64> kZigZagToNatural = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

namespace {

// The largest magnitude categories 8-bit samples give: a DC difference
// needs at most 11 bits, an AC coefficient 10.
constexpr int kMaxDcCategory = 11;
constexpr int kMaxAcCategory = 10;
// Well past any DC an 8-bit block quantised by steps of at least 1 holds.
constexpr int kMaxDc = 2047;

int extend(std::uint32_t bits, int size) {
  const auto value = static_cast<int>(bits);
  return value < (1 << (size - 1)) ? value - (1 << size) + 1 : value;
}

}  // namespace

bool HuffmanDecodeTable::build(const JHUFF_TBL& table, bool dc) {
  fast.fill(0);
  int total = 0;
  int longest = 0;
  for (int length = 1; length <= 16; ++length) {
    total += table.bits[length];
    if (table.bits[length] != 0) longest = length;
  }
  if (total > 256) return false;
  std::uint32_t code = 0;
  int k = 0;
  for (int length = 1; length <= 16; ++length) {
    valueOffset[length] = k - static_cast<std::int32_t>(code);
    for (int i = 0; i < table.bits[length]; ++i, ++k, ++code) {
      if (code >= (1u << length)) return false;  // more codes than the length holds
      const std::uint8_t symbol = table.huffval[k];
      if (dc && symbol > kMaxDcCategory) return false;
      symbols[k] = symbol;
      if (length <= kLookahead) {
        const int spread = kLookahead - length;
        const std::uint32_t first = code << spread;
        for (std::uint32_t j = 0; j < (1u << spread); ++j)
          fast[first + j] = static_cast<std::uint16_t>(length << 8 | symbol);
      }
    }
    maxCode[length] = table.bits[length] != 0 ? static_cast<std::int32_t>(code) - 1 : -1;
    // As libjpeg: the code of all one bits is never used, so a length whose
    // codes run up to it is a broken table.
    if (length <= longest && code >= (1u << length)) return false;
    code <<= 1;
  }
  maxCode[17] = -1;
  return true;
}

bool HuffmanEncodeTable::build(const JHUFF_TBL& table) {
  code.fill(0);
  size.fill(0);
  std::uint32_t next = 0;
  int k = 0;
  for (int length = 1; length <= 16; ++length) {
    for (int i = 0; i < table.bits[length]; ++i, ++k, ++next) {
      if (k >= 256 || next >= (1u << length)) return false;
      const std::uint8_t symbol = table.huffval[k];
      if (size[symbol] != 0) return false;
      code[symbol] = static_cast<std::uint16_t>(next);
      size[symbol] = static_cast<std::uint8_t>(length);
    }
    if (next > (1u << length)) return false;
    next <<= 1;
  }
  return true;
}

void EntropyReader::fill() {
  while (count_ <= 56) {
    if (!atMarker_ && pos_ < file_.size()) {
      const std::uint8_t byte = file_[pos_];
      if (byte == 0xFF) {
        if (pos_ + 1 < file_.size() && file_[pos_ + 1] == 0) {
          stuffedAfter_.push_back(loaded_);
          pos_ += 2;
        } else {
          atMarker_ = true;
          continue;
        }
      } else {
        ++pos_;
      }
      acc_ |= std::uint64_t{byte} << (56 - count_);
      count_ += 8;
      ++loaded_;
    } else {
      // Past the data, as libjpeg does, zeros; a block that needs them fails.
      atMarker_ = true;
      zeroBits_ += 8;
      count_ += 8;
    }
  }
}

int EntropyReader::decodeSymbol(const HuffmanDecodeTable& table) {
  if (const std::uint16_t entry = table.fast[peek(HuffmanDecodeTable::kLookahead)]) {
    skip(entry >> 8);
    return entry & 0xFF;
  }
  const std::uint32_t bits = peek(16);
  for (int length = HuffmanDecodeTable::kLookahead + 1; length <= 16; ++length) {
    const auto code = static_cast<std::int32_t>(bits >> (16 - length));
    if (code <= table.maxCode[length]) {
      skip(length);
      return table.symbols[code + table.valueOffset[length]];
    }
  }
  return -1;
}

bool EntropyReader::readBlock(const HuffmanDecodeTable& dc, const HuffmanDecodeTable& ac,
                              int& predictor, JCOEF* block) {
  if (count_ < 32) fill();
  const int category = decodeSymbol(dc);
  if (category < 0) return false;
  if (category > 0) {
    predictor += extend(peek(category), category);
    skip(category);
    if (std::abs(predictor) > kMaxDc) return false;
  }
  if (block) block[0] = static_cast<JCOEF>(predictor);
  for (int k = 1; k < 64; ++k) {
    if (count_ < 32) fill();
    const int symbol = decodeSymbol(ac);
    if (symbol < 0) return false;
    const int run = symbol >> 4;
    const int size = symbol & 15;
    if (size == 0) {
      if (run != 15) break;  // end of block
      k += 15;               // sixteen zeros
      continue;
    }
    k += run;
    if (k > 63 || size > kMaxAcCategory) return false;
    if (block) block[kZigZagToNatural[k]] = static_cast<JCOEF>(extend(peek(size), size));
    skip(size);
  }
  return true;
}

bool EntropyReader::restart(int number, std::size_t& markerAt) {
  if (!finish(markerAt)) return false;
  if (file_[markerAt + 1] != JPEG_RST0 + number) return false;
  markerBefore_.push_back(loaded_);
  pos_ = markerAt + 2;
  acc_ = 0;
  count_ = 0;
  zeroBits_ = 0;
  atMarker_ = false;
  return true;
}

bool EntropyReader::finish(std::size_t& markerAt) {
  if (overrun()) return false;
  skip(count_ % 8);
  // Whole bytes still loaded are data no block used: libjpeg would skip
  // them with a warning.
  if (count_ != zeroBits_) return false;
  if (pos_ + 1 >= file_.size() || file_[pos_] != 0xFF) return false;
  markerAt = pos_;
  return true;
}

std::size_t EntropyReader::fileOffsetOf(DataBit bit) const {
  const std::uint64_t byte = bit / 8;
  const auto stuffed =
      std::lower_bound(stuffedAfter_.begin(), stuffedAfter_.end(), byte) - stuffedAfter_.begin();
  const auto markers =
      std::upper_bound(markerBefore_.begin(), markerBefore_.end(), byte) - markerBefore_.begin();
  return start_ + static_cast<std::size_t>(byte) + static_cast<std::size_t>(stuffed) +
         2 * static_cast<std::size_t>(markers);
}

bool EntropyWriter::writeBlock(const HuffmanEncodeTable& dc, const HuffmanEncodeTable& ac,
                               int& predictor, const JCOEF* block) {
  const int difference = block[0] - predictor;
  predictor = block[0];
  int category = std::bit_width(static_cast<unsigned>(std::abs(difference)));
  if (category > kMaxDcCategory || dc.size[category] == 0) return false;
  put(dc.code[category], dc.size[category]);
  if (category > 0)
    put(static_cast<std::uint32_t>(difference < 0 ? difference - 1 : difference), category);
  int run = 0;
  for (int k = 1; k < 64; ++k) {
    const int value = block[kZigZagToNatural[k]];
    if (value == 0) {
      ++run;
      continue;
    }
    for (; run > 15; run -= 16) {
      if (ac.size[0xF0] == 0) return false;
      put(ac.code[0xF0], ac.size[0xF0]);
    }
    category = std::bit_width(static_cast<unsigned>(std::abs(value)));
    const int symbol = run << 4 | category;
    if (category > kMaxAcCategory || ac.size[symbol] == 0) return false;
    put(ac.code[symbol], ac.size[symbol]);
    put(static_cast<std::uint32_t>(value < 0 ? value - 1 : value), category);
    run = 0;
  }
  if (run > 0) {
    if (ac.size[0] == 0) return false;
    put(ac.code[0], ac.size[0]);
  }
  return true;
}

void EntropyWriter::copyBits(ByteView file, const EntropyReader& reader, DataBit from, DataBit to) {
  if (from >= to) return;
  std::size_t at = reader.fileOffsetOf(from);
  auto nextByte = [&] {
    const std::uint8_t byte = file[at];
    at += byte == 0xFF ? 2 : 1;  // a data 0xFF is always followed by its stuffed zero
    return byte;
  };
  DataBit left = to - from;
  const int firstBits = 8 - static_cast<int>(from % 8);
  const int taken = static_cast<int>(std::min<DataBit>(firstBits, left));
  put(static_cast<std::uint32_t>(nextByte() >> (firstBits - taken)), taken);
  left -= static_cast<DataBit>(taken);
  if (count_ == 0) {
    // Aligned: the file's bytes, stuffing included, are the output's.
    const std::size_t begin = at;
    for (; left >= 8; left -= 8) nextByte();
    out_.insert(out_.end(), file.begin() + static_cast<std::ptrdiff_t>(begin),
                file.begin() + static_cast<std::ptrdiff_t>(at));
  } else {
    for (; left >= 8; left -= 8) put(nextByte(), 8);
  }
  if (left > 0) put(static_cast<std::uint32_t>(nextByte() >> (8 - left)), static_cast<int>(left));
}

}  // namespace imbrino
