#include "image/codecs.h"

namespace imbrino {
Expected<Surface> decodeBmp(ByteView) { return fail("BMP reading is not built yet"); }
Expected<Bytes> encodeBmp(const Surface&) { return fail("BMP writing is not built yet"); }
}  // namespace imbrino
