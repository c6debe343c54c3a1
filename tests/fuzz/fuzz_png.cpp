// Any bytes given to the PNG reader give a picture or a reason, never a crash.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  imbrino::fuzz::limitPictureSizes();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  imbrino::fuzz::checkDecoded(imbrino::decodePng(imbrino::ByteView(data, size)));
  return 0;
}
