#pragma once
// The template: a background and two lists of objects, stacked by zOrder across
// both lists (1 = bottom). The records keep the field order and widths of the
// template file; list order only decides the order of writing and of visiting.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/colour.h"
#include "graphics/surface.h"
#include "image/codecs.h"
#include "platform/expected.h"
#include "text/logfont.h"
#include "text/text_measure.h"

namespace imbrino {

struct TemplateBackground {
  std::int32_t width = 250;
  std::int32_t height = 250;
  std::uint8_t transparent = 0;  // non-zero: the background is not painted
  ColorRef colour = kColorRefWhite;
  std::int16_t alpha = 255;
  std::int32_t textCount = 0;     // only meaningful in a file: set by the writer
  std::int32_t pictureCount = 0;  // only meaningful in a file: set by the writer

  friend bool operator==(const TemplateBackground&, const TemplateBackground&) = default;
};

inline constexpr std::size_t kTextBytes = 260;
// The longest text a text object holds: its bytes less the terminating NUL.
inline constexpr std::size_t kMaxTextBytes = kTextBytes - 1;
// "文字内容" in GBK: the text of a new text object.
inline constexpr std::string_view kDefaultTextGbk = "\xCE\xC4\xD7\xD6\xC4\xDA\xC8\xDD";

struct TextObject {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::uint8_t transparentBack = 0;  // non-zero: only the glyphs are drawn
  ColorRef backColour = kColorRefWhite;
  ColorRef textColour = 0x00000000;
  std::int16_t alpha = 255;
  std::uint8_t selected = 1;
  LogFont font;
  std::array<char, kTextBytes> text{};  // GBK, NUL-terminated, at most kMaxTextBytes
  std::int32_t zOrder = 0;

  TextObject() { setText(kDefaultTextGbk); }
  friend bool operator==(const TextObject&, const TextObject&) = default;
  // The text's GBK bytes up to the first NUL.
  std::string_view textBytes() const;
  // Stores GBK bytes, cut to kMaxTextBytes and NUL-terminated; the tail is zeroed.
  void setText(std::string_view gbk);
};

// The ImageType values a picture object stores.
inline constexpr std::uint32_t kUnknownImageType = 5;

// The stored part of a picture object: the fields its record in a template
// file holds, in the file's order.
struct PictureRecord {
  std::uint32_t dataSize = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::uint8_t transparent = 0;  // non-zero: pixels equal to transparentColour are not drawn
  ColorRef transparentColour = 0x00FF00FF;
  std::int16_t alpha = 255;
  std::uint8_t selected = 1;
  std::uint32_t imageType = 0;
  std::int32_t sourceWidth = 0;
  std::int32_t sourceHeight = 0;
  std::int32_t width = 0;   // displayed width: the picture is stretched to it
  std::int32_t height = 0;  // displayed height
  std::int32_t zOrder = 0;

  friend bool operator==(const PictureRecord&, const PictureRecord&) = default;
};

struct PictureObject : PictureRecord {
  // Run time only: the embedded file, byte for byte as read from disk
  // (dataSize bytes), and the picture decoded from it on a white ground, as
  // decodeEmbeddedPicture turns it: the surface the source rectangle
  // (sourceWidth x sourceHeight) is taken from.
  std::vector<std::uint8_t> data;
  Surface picture;
};

// Decodes an embedded picture file into the surface its object is drawn
// from. Pictures are read upright, but a template shows its picture as the
// template's maker saw it, and the stored source size tells which way that
// was: templates made here store the upright size; templates made on Windows
// showed a JPEG's pixels as the file stores them, unturned by its EXIF
// orientation, and stored that size. So a JPEG whose orientation swaps width
// and height (5 to 8) is turned back when the stored size is the stored
// pixels' size and not the upright one. A square picture, and the
// orientations that keep the size (2 to 4), do not say which way the maker
// saw them: those stay upright, as templates made here show them. Decided
// once, when the template is read; drawing just stretches the surface.
Expected<Surface> decodeEmbeddedPicture(ByteView file, std::uint32_t imageType,
                                        std::int32_t sourceWidth, std::int32_t sourceHeight);

struct Template {
  TemplateBackground background;
  std::vector<TextObject> textObjects;
  // Shared, so that the editor's history can keep a picture it may have to
  // put back (after a delete, say) without copying its pixels. A template is
  // never copied: a copy would share its pictures with the original.
  std::vector<std::shared_ptr<PictureObject>> pictureObjects;

  Template() = default;
  Template(const Template&) = delete;
  Template& operator=(const Template&) = delete;
  Template(Template&&) = default;
  Template& operator=(Template&&) = default;
  ~Template() = default;

  int objectCount() const { return static_cast<int>(textObjects.size() + pictureObjects.size()); }
};

void initDefaultBackground(TemplateBackground& background);

// Empties both lists (and frees the pictures); the background stays.
void clearObjects(Template& document);

// Appends a default text object ("文字内容" in 12-pixel 宋体) centred on the
// background, on top of the stack.
bool addTextObject(Template& document);

// Embeds the picture file at `path`, decoded by the format of its extension,
// centred on the background at its own size and on top of the stack. On
// failure the template is unchanged and the reason says why.
Status addPictureObject(const std::string& path, Template& document);

void setAllSelected(Template& document, std::uint8_t flag);
// Every selected flag becomes its logical negation: 0 -> 1, anything else -> 0.
void invertSelection(Template& document);
int countSelected(const Template& document);

// The highest level in use, or the number of objects if that is larger.
int topZOrder(const Template& document);

// After the object on level `removedLevel` is gone, every object above it moves
// down one level.
void closeZOrderGap(Template& document, int removedLevel);

// Moves every selected object one level up (down), exchanging it with the
// objects on that level. Objects are visited in list order — text objects,
// then pictures — not in stacking order, so two selected neighbours can swap
// back and forth; editors made on Windows behave exactly so.
void bringForward(Template& document);
void sendBackward(Template& document);

// The measured box of a text object: what the renderer draws and the editor
// hit-tests.
TextExtent measureTextObject(const TextObject& text);

}  // namespace imbrino
