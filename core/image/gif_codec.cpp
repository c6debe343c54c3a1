#include "image/codecs.h"

namespace imbrino {
Expected<Surface> decodeGif(ByteView) { return fail("GIF reading is not built yet"); }
Expected<Bytes> encodeGif(const Surface&) { return fail("GIF writing is not built yet"); }
}  // namespace imbrino
