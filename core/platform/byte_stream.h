#pragma once
// Little-endian reading and writing of fixed-layout records. The reader never
// reads past its bytes: once a read falls short it stays failed, and every
// later read yields zeros, so a parser checks `ok()` once per record.

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

namespace imbrino {

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }
  std::size_t position() const { return position_; }
  std::size_t remaining() const { return bytes_.size() - position_; }

  template <class T>
    requires std::is_integral_v<T>
  T read() {
    if (!ensure(sizeof(T))) return T{};
    std::make_unsigned_t<T> value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
      value |= static_cast<std::make_unsigned_t<T>>(
          static_cast<std::make_unsigned_t<T>>(bytes_[position_ + i]) << (8 * i));
    position_ += sizeof(T);
    return static_cast<T>(value);
  }

  // Copies `out.size()` bytes.
  void read(std::span<char> out) {
    if (!ensure(out.size())) return;
    std::memcpy(out.data(), bytes_.data() + position_, out.size());
    position_ += out.size();
  }

  // A view of the next `count` bytes (empty when they are not all there).
  std::span<const std::uint8_t> take(std::size_t count) {
    if (!ensure(count)) return {};
    auto view = bytes_.subspan(position_, count);
    position_ += count;
    return view;
  }

  void skip(std::size_t count) { take(count); }

 private:
  bool ensure(std::size_t count) {
    if (!ok_ || count > remaining()) {
      ok_ = false;
      return false;
    }
    return true;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
  bool ok_ = true;
};

class ByteWriter {
 public:
  template <class T>
    requires std::is_integral_v<T>
  void write(T value) {
    auto bits = static_cast<std::make_unsigned_t<T>>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i)
      bytes_.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
  }

  void write(std::span<const char> raw) { bytes_.insert(bytes_.end(), raw.begin(), raw.end()); }
  void write(std::span<const std::uint8_t> raw) {
    bytes_.insert(bytes_.end(), raw.begin(), raw.end());
  }
  void pad(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }

  std::size_t size() const { return bytes_.size(); }
  std::vector<std::uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace imbrino
