#include "template/template_document.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "image/exif_orientation.h"
#include "image/image_io.h"
#include "platform/file_io.h"

namespace imbrino {

std::string_view TextObject::textBytes() const {
  return {text.data(), strnlen(text.data(), text.size())};
}

void TextObject::setText(std::string_view gbk) {
  text.fill('\0');
  const std::size_t n = std::min(gbk.size(), text.size() - 1);
  std::memcpy(text.data(), gbk.data(), n);
}

Expected<Surface> decodeEmbeddedPicture(ByteView file, std::uint32_t imageType,
                                        std::int32_t sourceWidth, std::int32_t sourceHeight) {
  const CodecFormat format = codecFormatOf(imageType);
  auto upright = decodePicture(file, format);
  if (!upright || format != CodecFormat::Jpg) return upright;
  // Only a size the other way round can tell; a square's sides do not.
  const bool storedTurned = sourceWidth != sourceHeight && upright->width() == sourceHeight &&
                            upright->height() == sourceWidth;
  if (!storedTurned) return upright;
  const int orientation = jpegExifOrientation(file);
  if (orientation < 5) return upright;
  auto asStored = undoExifOrientation(std::move(*upright), orientation);
  if (!asStored) return fail("JPEG: " + asStored.reason());
  return asStored;
}

void initDefaultBackground(TemplateBackground& background) { background = TemplateBackground{}; }

void clearObjects(Template& document) {
  document.textObjects.clear();
  document.pictureObjects.clear();
}

TextExtent measureTextObject(const TextObject& text) {
  return measureText(text.textBytes(), text.font);
}

namespace {

// Where something `size` long starts when centred in `room` (either may be
// anything a file holds; half the difference always fits in 32 bits).
std::int32_t centredIn(std::int32_t room, std::int32_t size) {
  return static_cast<std::int32_t>((std::int64_t{room} - size) / 2);
}

}  // namespace

bool addTextObject(Template& document) {
  TextObject text;
  const TextExtent extent = measureTextObject(text);
  text.x = centredIn(document.background.width, extent.width);
  text.y = centredIn(document.background.height, extent.height);
  text.zOrder = document.objectCount() + 1;
  document.textObjects.push_back(text);
  return true;
}

Status addPictureObject(const std::string& path, Template& document) {
  auto bytes = readFileBytes(path, std::numeric_limits<std::uint32_t>::max());
  if (!bytes) return fail(bytes.reason());
  const ImageType type = imageTypeOfPath(path);
  auto decoded = decodePicture(*bytes, codecFormatOf(type));
  if (!decoded) return fail(path + ": " + decoded.reason());

  auto picture = std::make_unique<PictureObject>();
  picture->imageType = static_cast<std::uint32_t>(type);
  picture->dataSize = static_cast<std::uint32_t>(bytes->size());
  picture->zOrder = document.objectCount() + 1;
  picture->data = std::move(*bytes);
  picture->picture = std::move(*decoded);
  picture->sourceWidth = picture->width = picture->picture.width();
  picture->sourceHeight = picture->height = picture->picture.height();
  picture->x = centredIn(document.background.width, picture->width);
  picture->y = centredIn(document.background.height, picture->height);
  document.pictureObjects.push_back(std::move(picture));
  return {};
}

void setAllSelected(Template& document, std::uint8_t flag) {
  for (auto& text : document.textObjects) text.selected = flag;
  for (auto& picture : document.pictureObjects) picture->selected = flag;
}

void invertSelection(Template& document) {
  for (auto& text : document.textObjects) text.selected = text.selected == 0 ? 1 : 0;
  for (auto& picture : document.pictureObjects) picture->selected = picture->selected == 0 ? 1 : 0;
}

int countSelected(const Template& document) {
  const auto selectedTexts = std::count_if(document.textObjects.begin(), document.textObjects.end(),
                                           [](const TextObject& t) { return t.selected != 0; });
  const auto selectedPictures =
      std::count_if(document.pictureObjects.begin(), document.pictureObjects.end(),
                    [](const auto& p) { return p->selected != 0; });
  return static_cast<int>(selectedTexts + selectedPictures);
}

int topZOrder(const Template& document) {
  int top = document.objectCount();
  for (const auto& text : document.textObjects) top = std::max(top, text.zOrder);
  for (const auto& picture : document.pictureObjects) top = std::max(top, picture->zOrder);
  return top;
}

void closeZOrderGap(Template& document, int removedLevel) {
  for (auto& text : document.textObjects)
    if (text.zOrder > removedLevel) --text.zOrder;
  for (auto& picture : document.pictureObjects)
    if (picture->zOrder > removedLevel) --picture->zOrder;
}

namespace {

// Moves the visited object (whose level is held in `level`) to `to`: the first
// text object on `to` takes the visited object's level, then the first picture
// object on `to` does. When the second search finds the visited object itself —
// it already stands on `to` after the first exchange — it stays there.
void exchangeLevel(Template& document, std::int32_t& level, std::int32_t to) {
  const std::int32_t from = level;
  for (auto& text : document.textObjects)
    if (text.zOrder == to) {
      text.zOrder = from;
      level = to;
      break;
    }
  for (auto& picture : document.pictureObjects)
    if (picture->zOrder == to) {
      picture->zOrder = from;
      level = to;
      break;
    }
}

template <class CanMove, class Target>
void moveSelected(Template& document, CanMove canMove, Target target) {
  // Index loops: exchanging levels never adds or removes objects, but keeps
  // references into both lists live while visiting.
  for (std::size_t i = 0; i < document.textObjects.size(); ++i) {
    TextObject& text = document.textObjects[i];
    if (text.selected != 0 && canMove(text.zOrder))
      exchangeLevel(document, text.zOrder, target(text.zOrder));
  }
  for (std::size_t i = 0; i < document.pictureObjects.size(); ++i) {
    PictureObject& picture = *document.pictureObjects[i];
    if (picture.selected != 0 && canMove(picture.zOrder))
      exchangeLevel(document, picture.zOrder, target(picture.zOrder));
  }
}

}  // namespace

void bringForward(Template& document) {
  const int total = document.objectCount();
  moveSelected(
      document, [total](std::int32_t level) { return level < total; },
      [](std::int32_t level) { return level + 1; });
}

void sendBackward(Template& document) {
  moveSelected(
      document, [](std::int32_t level) { return level > 1; },
      [](std::int32_t level) { return level - 1; });
}

}  // namespace imbrino
