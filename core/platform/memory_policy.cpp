#include "platform/memory_policy.h"

#include <cstdlib>  // defines __GLIBC__ on the GNU C library
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace imbrino {

void keepPictureMemoryForReuse() {
#if defined(__GLIBC__)
  // Blocks below 256 MB (a 64-megapixel surface) come from the heap, and up to
  // 512 MB of freed heap stays with the process for the next picture.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
#endif
}

}  // namespace imbrino
