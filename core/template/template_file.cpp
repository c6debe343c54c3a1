#include "template/template_file.h"

#include <algorithm>
#include <limits>

#include "graphics/picture_limits.h"
#include "image/image_io.h"
#include "platform/byte_stream.h"
#include "platform/file_io.h"

namespace imbrino {
namespace {

void writeBackground(ByteWriter& out, const TemplateBackground& b) {
  out.write(b.width);
  out.write(b.height);
  out.write(b.transparent);
  out.pad(3);
  out.write(b.colour);
  out.write(b.alpha);
  out.pad(2);
  out.write(b.textCount);
  out.write(b.pictureCount);
}

TemplateBackground readBackground(ByteReader& in) {
  TemplateBackground b;
  b.width = in.read<std::int32_t>();
  b.height = in.read<std::int32_t>();
  b.transparent = in.read<std::uint8_t>();
  in.skip(3);
  b.colour = in.read<std::uint32_t>();
  b.alpha = in.read<std::int16_t>();
  in.skip(2);
  b.textCount = in.read<std::int32_t>();
  b.pictureCount = in.read<std::int32_t>();
  return b;
}

void writeLogFont(ByteWriter& out, const LogFont& f) {
  out.write(f.lfHeight);
  out.write(f.lfWidth);
  out.write(f.lfEscapement);
  out.write(f.lfOrientation);
  out.write(f.lfWeight);
  for (std::uint8_t byte : {f.lfItalic, f.lfUnderline, f.lfStrikeOut, f.lfCharSet, f.lfOutPrecision,
                            f.lfClipPrecision, f.lfQuality, f.lfPitchAndFamily})
    out.write(byte);
  out.write(std::span<const char>(f.lfFaceName));
}

LogFont readLogFont(ByteReader& in) {
  LogFont f;
  f.lfHeight = in.read<std::int32_t>();
  f.lfWidth = in.read<std::int32_t>();
  f.lfEscapement = in.read<std::int32_t>();
  f.lfOrientation = in.read<std::int32_t>();
  f.lfWeight = in.read<std::int32_t>();
  for (std::uint8_t* byte :
       {&f.lfItalic, &f.lfUnderline, &f.lfStrikeOut, &f.lfCharSet, &f.lfOutPrecision,
        &f.lfClipPrecision, &f.lfQuality, &f.lfPitchAndFamily})
    *byte = in.read<std::uint8_t>();
  // The bytes after the face name's NUL are kept as they came: writing the
  // record back must give the same bytes.
  in.read(std::span<char>(f.lfFaceName));
  return f;
}

void writeText(ByteWriter& out, const TextObject& t) {
  out.write(t.x);
  out.write(t.y);
  out.write(t.transparentBack);
  out.pad(3);
  out.write(t.backColour);
  out.write(t.textColour);
  out.write(t.alpha);
  out.write(t.selected);
  out.pad(1);
  writeLogFont(out, t.font);
  out.write(std::span<const char>(t.text));
  out.write(t.zOrder);
}

TextObject readText(ByteReader& in) {
  TextObject t;
  t.x = in.read<std::int32_t>();
  t.y = in.read<std::int32_t>();
  t.transparentBack = in.read<std::uint8_t>();
  in.skip(3);
  t.backColour = in.read<std::uint32_t>();
  t.textColour = in.read<std::uint32_t>();
  t.alpha = in.read<std::int16_t>();
  t.selected = in.read<std::uint8_t>();
  in.skip(1);
  t.font = readLogFont(in);
  in.read(std::span<char>(t.text));
  t.zOrder = in.read<std::int32_t>();
  return t;
}

void writePictureRecord(ByteWriter& out, const PictureObject& p) {
  out.write(p.dataSize);
  out.write(p.x);
  out.write(p.y);
  out.write(p.transparent);
  out.pad(3);
  out.write(p.transparentColour);
  out.write(p.alpha);
  out.write(p.selected);
  out.pad(1);
  out.write(p.imageType);
  out.write(p.sourceWidth);
  out.write(p.sourceHeight);
  out.write(p.width);
  out.write(p.height);
  out.write(p.zOrder);
}

std::unique_ptr<PictureObject> readPictureRecord(ByteReader& in) {
  auto p = std::make_unique<PictureObject>();
  p->dataSize = in.read<std::uint32_t>();
  p->x = in.read<std::int32_t>();
  p->y = in.read<std::int32_t>();
  p->transparent = in.read<std::uint8_t>();
  in.skip(3);
  p->transparentColour = in.read<std::uint32_t>();
  p->alpha = in.read<std::int16_t>();
  p->selected = in.read<std::uint8_t>();
  in.skip(1);
  p->imageType = in.read<std::uint32_t>();
  p->sourceWidth = in.read<std::int32_t>();
  p->sourceHeight = in.read<std::int32_t>();
  p->width = in.read<std::int32_t>();
  p->height = in.read<std::int32_t>();
  p->zOrder = in.read<std::int32_t>();
  return p;
}

// Fails unless `count` records of `size` bytes fit in what is left of the file:
// checked before anything is allocated for them.
Status checkCountFits(std::int32_t count, std::size_t size, const ByteReader& in,
                      const char* what) {
  if (count <= 0) return {};
  const auto needed = static_cast<std::uint64_t>(count) * size;
  if (needed > in.remaining())
    return fail("the file is damaged: it announces " + std::to_string(count) + " " + what +
                " but ends after " + std::to_string(in.remaining()) + " more bytes");
  return {};
}

}  // namespace

std::int64_t maxTemplatePicturePixels() {
  return std::min(kMaxTemplatePicturePixels, maxPicturePixels());
}

TemplateSize measureTemplate(const Template& document) {
  TemplateSize size;
  size.fileBytes = kBackgroundRecordSize + kTextRecordSize * document.textObjects.size();
  for (const auto& picture : document.pictureObjects) {
    size.picturePixels += std::int64_t{picture->picture.width()} * picture->picture.height();
    size.fileBytes += kPictureRecordSize + picture->data.size();
  }
  return size;
}

TemplateLimit crossedLimit(TemplateSize size) {
  if (size.picturePixels > maxTemplatePicturePixels()) return TemplateLimit::PicturePixels;
  if (size.fileBytes > kMaxTemplateFileBytes) return TemplateLimit::FileBytes;
  return TemplateLimit::None;
}

Expected<Bytes> serializeTemplate(Template& document) {
  for (const auto& picture : document.pictureObjects)
    if (picture->data.size() > std::numeric_limits<std::uint32_t>::max())
      return fail("an embedded picture is larger than a template file can hold (4 GiB)");
  // Written, such a template could never be read again.
  switch (crossedLimit(measureTemplate(document))) {
    case TemplateLimit::PicturePixels:
      return fail("the pictures of this template are too large together");
    case TemplateLimit::FileBytes:
      return fail("the template would be larger than a template file may be (2 GiB)");
    case TemplateLimit::None:
      break;
  }

  document.background.textCount = static_cast<std::int32_t>(document.textObjects.size());
  document.background.pictureCount = static_cast<std::int32_t>(document.pictureObjects.size());
  ByteWriter out;
  try {
    writeBackground(out, document.background);
    for (const auto& text : document.textObjects) writeText(out, text);
    for (const auto& picture : document.pictureObjects) {
      picture->dataSize = static_cast<std::uint32_t>(picture->data.size());
      writePictureRecord(out, *picture);
      out.write(std::span<const std::uint8_t>(picture->data));
    }
  } catch (const std::bad_alloc&) {
    return fail("not enough memory to write the template");
  }
  return std::move(out.bytes());
}

Status writeTemplateFile(const std::string& path, Template& document) {
  auto bytes = serializeTemplate(document);
  if (!bytes) return fail(bytes.reason());
  return writeFileAtomically(path, *bytes);
}

Status readTemplateFile(const std::string& path, Template& document) {
  clearObjects(document);
  auto bytes = readFileBytes(path, kMaxTemplateFileBytes);
  if (!bytes) return fail(bytes.reason());
  if (Status status = parseTemplate(*bytes, document); !status)
    return fail(path + ": " + status.reason());
  return {};
}

Expected<Template> readTemplate(const std::string& path) {
  Template document;
  if (Status status = readTemplateFile(path, document); !status) return fail(status.reason());
  return document;
}

Status parseTemplate(ByteView file, Template& document) {
  clearObjects(document);
  ByteReader in(file);
  if (file.size() < kBackgroundRecordSize)
    return fail("not a template file: " + std::to_string(file.size()) +
                " bytes, shorter than the 28-byte background record");
  document.background = readBackground(in);
  const TemplateBackground& background = document.background;

  if (auto status = checkCountFits(background.textCount, kTextRecordSize, in, "text objects");
      !status)
    return status;
  for (std::int32_t i = 0; i < background.textCount; ++i)
    document.textObjects.push_back(readText(in));

  if (auto status = checkCountFits(background.pictureCount, kPictureRecordSize, in, "pictures");
      !status)
    return status;
  std::int64_t decodedPixels = 0;
  for (std::int32_t i = 0; i < background.pictureCount; ++i) {
    const std::string which = "picture " + std::to_string(i + 1) + ": ";
    auto picture = readPictureRecord(in);
    if (!in.ok()) return fail(which + "the file ends inside its record");
    const auto data = in.take(picture->dataSize);
    if (!in.ok())
      return fail(which + "the file is damaged: the picture announces " +
                  std::to_string(picture->dataSize) + " bytes, the file ends before");
    auto decoded = decodeEmbeddedPicture(data, picture->imageType, picture->sourceWidth,
                                         picture->sourceHeight);
    if (!decoded) return fail(which + decoded.reason());
    decodedPixels += std::int64_t{decoded->width()} * decoded->height();
    if (decodedPixels > maxTemplatePicturePixels())
      return fail(which + "the pictures of this template are too large together");
    picture->data.assign(data.begin(), data.end());
    picture->picture = std::move(*decoded);
    document.pictureObjects.push_back(std::move(picture));
  }
  return {};
}

}  // namespace imbrino
