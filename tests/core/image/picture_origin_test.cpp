#include "image/picture_origin.h"

#include <gtest/gtest.h>

#include "exif_block.h"
#include "support/test_support.h"

namespace imbrino {
namespace {

// A TIFF block as a camera writes it: IFD0 with the make, the model, the
// time of the last change and a pointer to the EXIF IFD, which holds the
// time the picture was taken. Empty strings leave their entry out.
Bytes cameraRecord(const std::string& make, const std::string& model, const std::string& changed,
                   const std::string& taken, bool bigEndian = false) {
  std::vector<std::pair<unsigned, std::string>> ifd0;
  if (!make.empty()) ifd0.push_back({0x010F, make});
  if (!model.empty()) ifd0.push_back({0x0110, model});
  if (!changed.empty()) ifd0.push_back({0x0132, changed});
  const unsigned ifd0Size = 2 + 12 * static_cast<unsigned>(ifd0.size() + 1) + 4;
  const unsigned exifIfd = 8 + ifd0Size;
  const unsigned exifIfdSize = 2 + 12 + 4;
  unsigned next = exifIfd + exifIfdSize;  // values follow both IFDs

  test::TiffWriter tiff(bigEndian);
  tiff.header();
  tiff.put32(8);
  tiff.put16(static_cast<unsigned>(ifd0.size() + 1));
  std::string values;
  for (const auto& [tag, text] : ifd0) {
    const unsigned count = static_cast<unsigned>(text.size() + 1);
    tiff.entry(tag, 2, count, next + static_cast<unsigned>(values.size()));
    values += text;
    values += '\0';
  }
  tiff.entry(0x8769, 4, 1, exifIfd);  // the EXIF IFD, a LONG
  tiff.put32(0);
  const unsigned takenAt = next + static_cast<unsigned>(values.size());
  tiff.put16(1);
  tiff.entry(0x9003, 2, static_cast<unsigned>(taken.size() + 1), takenAt);  // DateTimeOriginal
  tiff.put32(0);
  values += taken;
  values += '\0';
  tiff.text(values);
  return tiff.bytes();
}

Bytes jpegWith(const Bytes& exif) {
  PictureMetadata metadata;
  metadata.exif = exif;
  auto jpeg = encodeJpeg(test::makeTestPicture(16, 8), {}, &metadata);
  return jpeg ? *jpeg : Bytes{};
}

TEST(PictureOrigin, ReadsTheCameraAndWhenItWasTaken) {
  struct Case {
    const char* name;
    Bytes file;
    std::optional<TakenTime> taken;
    std::string camera;
  };
  const Bytes canon = jpegWith(
      cameraRecord("Canon", "Canon EOS 80D", "2024:06:02 10:00:00", "2024:05:01 09:05:33"));
  Bytes damaged = canon;
  damaged.resize(40);  // the record cut short inside its first entries
  const Case cases[] = {
      {"make once", canon, TakenTime{2024, 5, 1, 9, 5}, "Canon EOS 80D"},
      {"big-endian, make and model",
       jpegWith(cameraRecord("NIKON CORPORATION", "NIKON D750", "", "2019:12:31 23:59:59", true)),
       TakenTime{2019, 12, 31, 23, 59}, "NIKON CORPORATION NIKON D750"},
      {"taken unset, the last change counts",
       jpegWith(cameraRecord("", "Pixel 7", "2023:01:02 03:04:05", "0000:00:00 00:00:00")),
       TakenTime{2023, 1, 2, 3, 4}, "Pixel 7"},
      {"no record", jpegWith({}), std::nullopt, ""},
      {"damaged file", damaged, std::nullopt, ""},
      {"not a picture", Bytes{'n', 'o', 'p', 'e'}, std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PictureOrigin facts = readPictureOrigin(c.file);
    EXPECT_EQ(facts.taken, c.taken);
    EXPECT_EQ(facts.camera, c.camera);
  }
}

TEST(PictureOrigin, TakesOnlyRealDates) {
  EXPECT_EQ(parseExifDateTime("2024:02:29 23:59:60"), (TakenTime{2024, 2, 29, 23, 59}));
  for (const char* text :
       {"2023:02:29 10:00:00", "2024:13:01 10:00:00", "2024:01:01 24:00:00", "0000:00:00 00:00:00",
        "    :  :     :  :  ", "2024-01-01 10:00:00", "2024:01:01", ""})
    EXPECT_FALSE(parseExifDateTime(text)) << text;
}

}  // namespace
}  // namespace imbrino
