#include "image/picture_origin.h"

#include <exiv2/exiv2.hpp>

#include <cctype>
#include <charconv>
#include <mutex>

namespace imbrino {
namespace {

// libexiv2 writes its warnings to the standard error stream, and its XMP
// parser must be set up once before threads read files.
void prepareLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Exiv2::XmpParser::initialize();
  });
}

std::string trimmed(std::string text) {
  // Cameras pad with blanks and NULs.
  while (!text.empty() &&
         (text.back() == '\0' || std::isspace(static_cast<unsigned char>(text.back()))))
    text.pop_back();
  std::size_t start = 0;
  while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
  return text.substr(start);
}

std::string exifText(const Exiv2::ExifData& exif, const char* key) {
  const auto entry = exif.findKey(Exiv2::ExifKey(key));
  if (entry == exif.end() || entry->count() == 0) return {};
  return trimmed(entry->toString());
}

bool readNumber(std::string_view text, std::size_t at, std::size_t digits, int& out) {
  if (at + digits > text.size()) return false;
  for (std::size_t i = at; i < at + digits; ++i)
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  std::from_chars(text.data() + at, text.data() + at + digits, out);
  return true;
}

bool isLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Make "Canon", model "Canon EOS 80D" gives "Canon EOS 80D"; make "NIKON
// CORPORATION", model "NIKON D750" gives "NIKON CORPORATION NIKON D750" —
// only a model that starts with the whole make drops it.
std::string cameraName(const std::string& make, const std::string& model) {
  if (make.empty()) return model;
  if (model.empty()) return make;
  if (model.size() >= make.size() && model.compare(0, make.size(), make) == 0) return model;
  return make + " " + model;
}

}  // namespace

std::optional<TakenTime> parseExifDateTime(std::string_view text) {
  TakenTime t;
  int second = 0;
  if (text.size() < 19 || text[4] != ':' || text[7] != ':' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':')
    return std::nullopt;
  if (!readNumber(text, 0, 4, t.year) || !readNumber(text, 5, 2, t.month) ||
      !readNumber(text, 8, 2, t.day) || !readNumber(text, 11, 2, t.hour) ||
      !readNumber(text, 14, 2, t.minute) || !readNumber(text, 17, 2, second))
    return std::nullopt;
  if (t.year < 1 || t.month < 1 || t.month > 12 || t.day < 1 ||
      t.day > daysInMonth(t.year, t.month) || t.hour > 23 || t.minute > 59 || second > 60)
    return std::nullopt;
  return t;
}

PictureOrigin readPictureOrigin(ByteView file) {
  PictureOrigin facts;
  if (file.empty()) return facts;
  prepareLibrary();
  try {
    auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(file.data()),
                                           static_cast<long>(file.size()));
    if (image.get() == nullptr) return facts;
    image->readMetadata();
    const Exiv2::ExifData& exif = image->exifData();
    facts.taken = parseExifDateTime(exifText(exif, "Exif.Photo.DateTimeOriginal"));
    if (!facts.taken) facts.taken = parseExifDateTime(exifText(exif, "Exif.Image.DateTime"));
    facts.camera =
        cameraName(exifText(exif, "Exif.Image.Make"), exifText(exif, "Exif.Image.Model"));
  } catch (...) {
    // A record libexiv2 cannot read is a picture without facts.
    return PictureOrigin{};
  }
  return facts;
}

}  // namespace imbrino
