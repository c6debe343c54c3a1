#pragma once
// The ".src" template file: the background record, the text records and the
// picture entries (record + embedded image file) one after the other, in the
// fixed little-endian layouts that template files made on Windows use. There is
// no magic number, version or checksum, so the reader checks every count and
// size against what the file really holds.

#include <cstddef>
#include <string>

#include "image/codecs.h"
#include "template/template_document.h"

namespace imbrino {

inline constexpr std::size_t kBackgroundRecordSize = 28;
inline constexpr std::size_t kTextRecordSize = 348;
inline constexpr std::size_t kPictureRecordSize = 48;

// The whole file. Stores the list lengths into the background's textCount and
// pictureCount (and each picture's dataSize) first, as the file holds them.
Expected<Bytes> serializeTemplate(Template& document);

// Writes the template atomically: an old file is replaced only by a complete
// new one, and any write error is reported.
Status writeTemplateFile(const std::string& path, Template& document);

// Reads a template. Both lists are emptied first; the background takes the
// file's values once its record is read. On failure what was read before the
// fault stays in place (the callers that need a clean template reset it).
// Refused: a file shorter than its counts and sizes announce, and any
// embedded picture that does not decode.
Status readTemplateFile(const std::string& path, Template& document);
Status parseTemplate(ByteView file, Template& document);

// Together, the pictures of one template may hold at most this many pixels, so
// a small hostile file cannot make the reader decode picture after picture
// until memory runs out.
inline constexpr std::int64_t kMaxTemplatePicturePixels = std::int64_t{1} << 28;

}  // namespace imbrino
