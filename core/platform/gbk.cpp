#include "platform/gbk.h"

#include <iconv.h>

#include <cerrno>

namespace imbrino {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() {
    if (valid()) iconv_close(handle_);
  }
  bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return handle_; }

 private:
  iconv_t handle_;
};

// Converts as much as possible; on an invalid or incomplete sequence calls
// `onInvalid` with the remaining input and returns false if it declines.
template <class OnInvalid>
bool convert(iconv_t cd, std::string_view input, std::string& output, OnInvalid onInvalid) {
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  char buffer[1024];
  while (inLeft > 0) {
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
    output.append(buffer, static_cast<std::size_t>(out - buffer));
    if (result != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    if (!onInvalid(in, inLeft)) return false;
  }
  return true;
}

}  // namespace

std::string gbkToUtf8(std::string_view gbk) {
  // glibc calls Windows code page 936 "CP936": GBK plus the euro sign at 0x80.
  thread_local Converter converter("UTF-8", "CP936");
  std::string text;
  if (!converter.valid()) return text;
  iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
  convert(converter.get(), gbk, text, [&](char*& in, std::size_t& inLeft) {
    text += "\xEF\xBF\xBD";  // U+FFFD
    ++in;
    --inLeft;
    iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
    return true;
  });
  return text;
}

std::optional<std::string> utf8ToGbk(std::string_view utf8) {
  thread_local Converter converter("CP936", "UTF-8");
  if (!converter.valid()) return std::nullopt;
  iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
  std::string text;
  if (!convert(converter.get(), utf8, text, [](char*&, std::size_t&) { return false; }))
    return std::nullopt;
  return text;
}

}  // namespace imbrino
