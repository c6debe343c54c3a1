#pragma once
// The ".src" template file: the background record, the text records and the
// picture entries (record + embedded image file) one after the other, in the
// fixed little-endian layouts that template files made on Windows use. There is
// no magic number, version or checksum, so the reader checks every count and
// size against what the file really holds.

#include <cstddef>
#include <cstdint>
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
// Reads a template into a new one, so that a file that fails to read leaves
// the caller's template as it was.
Expected<Template> readTemplate(const std::string& path);
Status parseTemplate(ByteView file, Template& document);

// Together, the pictures of one template may hold at most this many pixels, so
// a small hostile file cannot make the reader decode picture after picture
// until memory runs out.
inline constexpr std::int64_t kMaxTemplatePicturePixels = std::int64_t{1} << 28;
// The largest template file the reader takes.
inline constexpr std::uint64_t kMaxTemplateFileBytes = std::uint64_t{1} << 31;

// What the reader's limits are measured on: the decoded pixels of all
// pictures together, and the size of the file the template makes.
struct TemplateSize {
  std::int64_t picturePixels = 0;
  std::uint64_t fileBytes = 0;
};
TemplateSize measureTemplate(const Template& document);

// A limit of the reader that a template crosses. The writer refuses such a
// template, and the editor refuses the insert that would make one: a file
// the reader refuses would lose everything in it.
enum class TemplateLimit { None, PicturePixels, FileBytes };
TemplateLimit crossedLimit(TemplateSize size);
// The picture-pixel limit in force (lower in the fuzz targets).
std::int64_t maxTemplatePicturePixels();

}  // namespace imbrino
