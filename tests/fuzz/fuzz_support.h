#pragma once
#include <cstddef>
#include <cstdint>

#include "image/codecs.h"

namespace imbrino::fuzz {
// Lowers the picture limit so the fuzzer spends its time parsing rather than
// filling memory; called once per process.
void limitPictureSizes();
// Decoded pictures must be what the decoders promise: opaque and within limits.
void checkDecoded(const Expected<Surface>& picture);
}  // namespace imbrino::fuzz
