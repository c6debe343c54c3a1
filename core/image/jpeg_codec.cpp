#include "image/codecs.h"

namespace imbrino {
Expected<Surface> decodeJpeg(ByteView) { return fail("JPEG reading is not built yet"); }
Expected<Bytes> encodeJpeg(const Surface&, const JpegOptions&) { return fail("JPEG writing is not built yet"); }
}  // namespace imbrino
