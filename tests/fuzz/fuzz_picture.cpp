// Any bytes given to a picture reader give a picture or a reason, never a
// crash. Built once per reader, with IMBRINO_FUZZ_DECODER naming it.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  imbrino::fuzz::limitPictureSizes();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  imbrino::fuzz::checkDecoded(imbrino::IMBRINO_FUZZ_DECODER(imbrino::ByteView(data, size)));
  return 0;
}
