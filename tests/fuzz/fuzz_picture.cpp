// Any bytes given to a picture reader give a picture or a reason, never a
// crash; metadata is asked for, so its parsing is fuzzed as well, and the
// pixels must not depend on whether it was. The reader's cheap check must
// agree with the decode: the same verdict, the same reason and the same size.
// Built once per reader, with IMBRINO_FUZZ_FORMAT naming the codec format.
#include <cstdio>
#include <cstdlib>

#include "fuzz_support.h"
#include "image/image_io.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  imbrino::fuzz::limitPictureSizes();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace imbrino;
  const ByteView file(data, size);
  PictureMetadata metadata;
  auto withMetadata = decodePicture(file, CodecFormat::IMBRINO_FUZZ_FORMAT, &metadata);
  fuzz::checkDecoded(withMetadata);
  auto plain = decodePicture(file, CodecFormat::IMBRINO_FUZZ_FORMAT);
  if (withMetadata.ok() != plain.ok() || (plain.ok() && *plain != *withMetadata)) std::abort();
  auto checked = checkPicture(file, CodecFormat::IMBRINO_FUZZ_FORMAT);
  const bool agree = checked.ok() == plain.ok() &&
                     (plain.ok() ? checked->width == plain->width() &&
                                       checked->height == plain->height()
                                 : checked.reason() == plain.reason());
  if (!agree) {
    std::fprintf(stderr, "decode: %s\ncheck: %s\n", plain.ok() ? "ok" : plain.reason().c_str(),
                 checked.ok() ? "ok" : checked.reason().c_str());
    std::abort();
  }
  return 0;
}
