#pragma once
// How the process's allocator treats picture-sized blocks.

namespace imbrino {

// A batch decodes picture after picture into surfaces of tens of megabytes.
// By default the C library maps each such block fresh from the system and
// hands it back when freed, so every picture pays for faulting in and zeroing
// its pages again — a quarter of a batch's time, measured. Keeping such
// blocks in the heap lets the next picture reuse the memory; the process's
// peak stays the same. Call once at start-up, before any thread is started.
void keepPictureMemoryForReuse();

}  // namespace imbrino
