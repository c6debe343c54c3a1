#pragma once
// What a picture file's metadata says of how it was taken: when, and with
// which camera. Read with libexiv2 from the file's bytes; a damaged or absent
// record gives empty facts, never an error, because it must not cost the
// picture.

#include <optional>
#include <string>

#include "image/codecs.h"

namespace imbrino {

// A local date and time as a camera records it (no time zone).
struct TakenTime {
  int year = 0;
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  friend bool operator==(const TakenTime&, const TakenTime&) = default;
};

struct PictureOrigin {
  std::optional<TakenTime> taken;  // DateTimeOriginal, else the record's DateTime
  std::string camera;              // make and model, the make once: "Canon EOS 80D"
};

// The facts of a whole picture file (JPEG, PNG, GIF, BMP, or anything else
// libexiv2 reads). Thread-safe.
PictureOrigin readPictureOrigin(ByteView file);

// "YYYY:MM:DD HH:MM:SS" as EXIF writes it; nothing for any other form, a
// blank ("    :  :     :  :  ") or impossible date, or the all-zero one
// cameras write when their clock was never set.
std::optional<TakenTime> parseExifDateTime(std::string_view text);

}  // namespace imbrino
