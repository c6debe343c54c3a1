// The EXIF record and the ICC profile carried through the JPEG and PNG codecs.

#include <gtest/gtest.h>

#include <jpeglib.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/image/exif_block.h"
#include "image/codecs.h"
#include "image/jpeg_encoder.h"
#include "image/picture_metadata.h"
#include "support/libjpeg_writer.h"
#include "support/test_support.h"

namespace imbrino {
namespace {

void putBigEndian32(Bytes& bytes, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

void appendBigEndian32(Bytes& bytes, std::uint32_t v) {
  bytes.resize(bytes.size() + 4);
  putBigEndian32(bytes, bytes.size() - 4, v);
}

// A profile libjpeg carries without looking inside: the header fields our
// writer reads, and a body that shows any piece out of place.
Bytes fakeProfile(std::size_t size, const char* colourSpace = "RGB ") {
  Bytes profile(size);
  for (std::size_t i = 0; i < size; ++i) profile[i] = static_cast<std::uint8_t>(i * 7 % 251);
  putBigEndian32(profile, 0, static_cast<std::uint32_t>(size));
  std::copy(colourSpace, colourSpace + 4, profile.begin() + 16);
  std::copy_n("acsp", 4, profile.begin() + 36);
  return profile;
}

// A small profile that passes libpng's checks: a matrix/curve display profile
// with sRGB's D50 colourants and a 2.2 gamma curve shared by the channels.
Bytes displayProfile(const char* colourSpace = "RGB ") {
  Bytes profile(128);
  putBigEndian32(profile, 8, 0x02100000);  // version 2.1
  std::copy_n("mntr", 4, profile.begin() + 12);
  std::copy(colourSpace, colourSpace + 4, profile.begin() + 16);
  std::copy_n("XYZ ", 4, profile.begin() + 20);
  std::copy_n("acsp", 4, profile.begin() + 36);
  putBigEndian32(profile, 68, 0xF6D6);  // the D50 illuminant
  putBigEndian32(profile, 72, 0x10000);
  putBigEndian32(profile, 76, 0xD32D);
  const char* tags[] = {"wtpt", "rXYZ", "gXYZ", "bXYZ", "rTRC", "gTRC", "bTRC"};
  const std::uint32_t xyz[4][3] = {{0xF6D6, 0x10000, 0xD32D},
                                   {0x6FA2, 0x38F5, 0x0390},
                                   {0x6299, 0xB785, 0x18DA},
                                   {0x24A0, 0x0F84, 0xB6CF}};
  constexpr std::uint32_t kTable = 128 + 4 + 7 * 12, kCurve = kTable + 4 * 20;
  appendBigEndian32(profile, 7);
  for (std::uint32_t i = 0; i < 7; ++i) {
    profile.insert(profile.end(), tags[i], tags[i] + 4);
    appendBigEndian32(profile, i < 4 ? kTable + i * 20 : kCurve);
    appendBigEndian32(profile, i < 4 ? 20 : 14);
  }
  for (const auto& values : xyz) {
    profile.insert(profile.end(), {'X', 'Y', 'Z', ' ', 0, 0, 0, 0});
    for (std::uint32_t v : values) appendBigEndian32(profile, v);
  }
  profile.insert(profile.end(), {'c', 'u', 'r', 'v', 0, 0, 0, 0, 0, 0, 0, 1, 0x02, 0x33, 0, 0});
  putBigEndian32(profile, 0, static_cast<std::uint32_t>(profile.size()));
  return profile;
}

Bytes withExifHeader(const Bytes& tiff) {
  Bytes payload;
  payload.reserve(kJpegExifHeader.size() + tiff.size());
  payload.assign(kJpegExifHeader.begin(), kJpegExifHeader.end());
  payload.insert(payload.end(), tiff.begin(), tiff.end());
  return payload;
}

// One APP2 payload of an ICC profile, written by hand.
Bytes iccChunk(int sequence, int count, ByteView data) {
  Bytes payload = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
  payload.push_back(static_cast<std::uint8_t>(sequence));
  payload.push_back(static_cast<std::uint8_t>(count));
  payload.insert(payload.end(), data.begin(), data.end());
  return payload;
}

// Writes a JPEG with the given APP markers after its start.
Bytes jpegWithMarkers(const Surface& picture, const std::vector<std::pair<int, Bytes>>& markers) {
  std::vector<JpegMarker> list;
  for (const auto& [code, payload] : markers) list.push_back({code, payload});
  return encodeJpegWithMarkers(picture, {}, list).value();
}

struct Marker {
  int code;
  Bytes payload;
};

struct JpegLayoutSeen {
  std::vector<Marker> markers;  // the APPn markers, in file order
  int components = 0;
};

// What libjpeg itself finds in a file's header.
JpegLayoutSeen readJpegLayout(const Bytes& file) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = test::throwingJpegErrors(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), file.size());
  for (int n = 0; n < 16; ++n) jpeg_save_markers(&info, JPEG_APP0 + n, 0xFFFF);
  jpeg_read_header(&info, TRUE);
  JpegLayoutSeen seen;
  seen.components = info.num_components;
  for (auto* m = info.marker_list; m; m = m->next)
    seen.markers.push_back({m->marker, Bytes(m->data, m->data + m->data_length)});
  jpeg_destroy_decompress(&info);
  return seen;
}

// Checks that `carried` is a cameraExifBlock `original` with the main
// picture's orientation (bytes 30 and 31) set to 1 and nothing else changed.
void expectUprightCopy(const Bytes& original, const Bytes& carried) {
  Bytes want = original;
  const bool bigEndian = original[0] == 'M';
  want[30] = bigEndian ? 0 : 1;
  want[31] = bigEndian ? 1 : 0;
  EXPECT_EQ(carried, want);
}

TEST(JpegMetadata, ExifComesBackUprightWithEveryOtherByteKept) {
  const Surface stored = test::makeTestPicture(32, 16);
  const Bytes profile = fakeProfile(150000);
  std::vector<std::pair<int, Bytes>> icc;
  for (int i = 0; i < 3; ++i)
    icc.push_back({JPEG_APP0 + 2, iccChunk(i + 1, 3, ByteView(profile).subspan(i * 50000, 50000))});
  for (bool bigEndian : {false, true})
    for (int orientation : {1, 3, 6, 8}) {
      SCOPED_TRACE(std::to_string(orientation) + (bigEndian ? " MM" : " II"));
      const Bytes exif = test::cameraExifBlock(orientation, bigEndian);
      auto markers = icc;
      markers.insert(markers.begin(), {JPEG_APP0 + 1, withExifHeader(exif)});
      const Bytes file = jpegWithMarkers(stored, markers);

      PictureMetadata metadata;
      auto upright = decodeJpeg(file, &metadata);
      ASSERT_TRUE(upright.ok()) << upright.reason();
      EXPECT_EQ(upright->width(), orientation >= 5 ? 16 : 32);
      EXPECT_EQ(metadata.icc, profile);
      // IFD1, the thumbnail's, keeps its own note.
      expectUprightCopy(exif, metadata.exif);

      // Without the metadata the picture is the same.
      EXPECT_EQ(decodeJpeg(file).value(), *upright);
    }
}

TEST(JpegMetadata, DamagedOrOddExifIsCarriedAsItCame) {
  const Surface stored = test::makeTestPicture(16, 8);
  // The orientation as a LONG, out of range, and a block cut inside IFD0: the
  // pixels stay as stored, so the record stays as it was.
  Bytes asLong = test::cameraExifBlock(6);
  asLong[10 + 12 + 2] = 4;  // the type of the orientation entry
  Bytes cut = test::cameraExifBlock(6);
  cut.resize(20);
  for (const Bytes& exif : {asLong, test::cameraExifBlock(9), cut}) {
    PictureMetadata metadata;
    auto decoded =
        decodeJpeg(jpegWithMarkers(stored, {{JPEG_APP0 + 1, withExifHeader(exif)}}), &metadata);
    ASSERT_TRUE(decoded.ok()) << decoded.reason();
    EXPECT_EQ(decoded->width(), 16);
    EXPECT_EQ(metadata.exif, exif);
    EXPECT_TRUE(metadata.icc.empty());
  }
  // Only the first EXIF block counts, and a foreign APP1 (XMP) is no EXIF.
  const Bytes xmp = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', 0, 'x'};
  PictureMetadata metadata;
  auto decoded =
      decodeJpeg(jpegWithMarkers(stored, {{JPEG_APP0 + 1, xmp},
                                          {JPEG_APP0 + 1, test::exifOrientationBlock(6)},
                                          {JPEG_APP0 + 1, test::exifOrientationBlock(3)}}),
                 &metadata);
  ASSERT_TRUE(decoded.ok());
  EXPECT_EQ(decoded->width(), 8);
  const Bytes upright = test::exifOrientationBlock(1);
  EXPECT_EQ(metadata.exif, Bytes(upright.begin() + 6, upright.end()));
}

TEST(JpegMetadata, BrokenProfileSequencesAreDroppedNotThePicture) {
  const Surface picture = test::makeTestPicture(16, 16);
  const Bytes a = {1, 2, 3}, b = {4, 5}, c = {6};
  const Bytes exif = test::cameraExifBlock(1);
  struct Case {
    const char* what;
    std::vector<Bytes> chunks;
  };
  const std::vector<Case> broken = {
      {"one missing", {iccChunk(1, 3, a), iccChunk(3, 3, c)}},
      {"one twice", {iccChunk(1, 2, a), iccChunk(1, 2, a), iccChunk(2, 2, b)}},
      {"counts differ", {iccChunk(1, 2, a), iccChunk(2, 3, b)}},
      {"sequence 0", {iccChunk(0, 1, a)}},
      {"sequence past the count", {iccChunk(2, 1, a)}},
      {"count 0", {iccChunk(0, 0, a)}},
      {"header cut short", {Bytes{'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1}}},
  };
  for (const Case& test : broken) {
    std::vector<std::pair<int, Bytes>> markers = {{JPEG_APP0 + 1, withExifHeader(exif)}};
    for (const Bytes& chunk : test.chunks) markers.push_back({JPEG_APP0 + 2, chunk});
    PictureMetadata metadata;
    auto decoded = decodeJpeg(jpegWithMarkers(picture, markers), &metadata);
    ASSERT_TRUE(decoded.ok()) << test.what << ": " << decoded.reason();
    EXPECT_TRUE(metadata.icc.empty()) << test.what;
    EXPECT_EQ(metadata.exif, exif) << test.what;
  }

  // Pieces out of order are put in sequence order; other APP2 data is no
  // part of the profile.
  const Bytes flashPix = {'F', 'P', 'X', 'R', 0, 9, 9};
  PictureMetadata metadata;
  ASSERT_TRUE(decodeJpeg(jpegWithMarkers(picture, {{JPEG_APP0 + 2, iccChunk(3, 3, c)},
                                                   {JPEG_APP0 + 2, flashPix},
                                                   {JPEG_APP0 + 2, iccChunk(1, 3, a)},
                                                   {JPEG_APP0 + 2, iccChunk(2, 3, b)}}),
                         &metadata)
                  .ok());
  EXPECT_EQ(metadata.icc, (Bytes{1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(metadata.exif.empty());
}

TEST(JpegMetadata, WrittenRecordAndProfileReadBackByteForByte) {
  const Surface picture = test::makeTestPicture(40, 24);
  const PictureMetadata metadata{test::cameraExifBlock(1, true), fakeProfile(150000)};
  auto file = encodeJpeg(picture, {}, &metadata);
  ASSERT_TRUE(file.ok()) << file.reason();

  // As a camera lays it out: the EXIF APP1 marker first, no JFIF header, then
  // the profile in three full-sized pieces.
  const JpegLayoutSeen seen = readJpegLayout(*file);
  ASSERT_EQ(seen.markers.size(), 4u);
  EXPECT_EQ(seen.markers[0].code, JPEG_APP0 + 1);
  EXPECT_EQ(seen.markers[0].payload, withExifHeader(metadata.exif));
  for (int i = 0; i < 3; ++i) {
    const Bytes& payload = seen.markers[i + 1].payload;
    EXPECT_EQ(seen.markers[i + 1].code, JPEG_APP0 + 2);
    ASSERT_GE(payload.size(), 14u);
    EXPECT_EQ(payload[12], i + 1);
    EXPECT_EQ(payload[13], 3);
    EXPECT_EQ(payload.size(), i < 2 ? 65533u : 150000u - 2 * 65519u + 14u);
  }

  PictureMetadata back;
  auto decoded = decodeJpeg(*file, &back);
  ASSERT_TRUE(decoded.ok()) << decoded.reason();
  EXPECT_EQ(back.exif, metadata.exif);
  EXPECT_EQ(back.icc, metadata.icc);
  EXPECT_EQ(decodeJpeg(encodeJpeg(picture).value()).value(), *decoded);

  // A profile alone keeps the JFIF header in front of it.
  const PictureMetadata profileOnly{{}, metadata.icc};
  const JpegLayoutSeen jfif = readJpegLayout(encodeJpeg(picture, {}, &profileOnly).value());
  ASSERT_EQ(jfif.markers.size(), 4u);
  EXPECT_EQ(jfif.markers[0].code, JPEG_APP0);
  EXPECT_EQ(jfif.markers[1].code, JPEG_APP0 + 2);

  // Nothing to carry writes the file as without metadata.
  const PictureMetadata none;
  EXPECT_EQ(encodeJpeg(picture, {}, &none).value(), encodeJpeg(picture).value());
}

TEST(JpegMetadata, WhatAJpegCannotHoldOrDescribeIsLeftOut) {
  const Surface colour = test::makeTestPicture(16, 16);
  const Surface grey = Surface::create(16, 16, makePixel(90, 90, 90)).value();
  auto written = [](const Surface& picture, const PictureMetadata& metadata) {
    return readJpegLayout(encodeJpeg(picture, {}, &metadata).value());
  };

  // A record past one marker's room; one just fitting.
  Bytes tooLarge = test::cameraExifBlock(1);
  tooLarge.resize(kMaxJpegExifSize + 1);
  JpegLayoutSeen seen = written(colour, {tooLarge, fakeProfile(1000)});
  ASSERT_EQ(seen.markers.size(), 2u);
  EXPECT_EQ(seen.markers[0].code, JPEG_APP0);
  EXPECT_EQ(seen.markers[1].code, JPEG_APP0 + 2);
  tooLarge.pop_back();
  seen = written(colour, {tooLarge, {}});
  ASSERT_EQ(seen.markers.size(), 1u);
  EXPECT_EQ(seen.markers[0].payload.size(), 65533u);

  // A profile needing more than 255 pieces.
  EXPECT_EQ(iccMarkerPayloads(fakeProfile(255 * kIccMarkerDataSize)).size(), 255u);
  EXPECT_TRUE(iccMarkerPayloads(fakeProfile(255 * kIccMarkerDataSize + 1)).empty());

  // An RGB profile keeps three channels for a grey picture; a grey one goes
  // with grey pictures only; a CMYK one or a scrap too short for a profile
  // header describes nothing we write.
  seen = written(grey, {{}, fakeProfile(500)});
  EXPECT_EQ(seen.components, 3);
  EXPECT_EQ(seen.markers.size(), 2u);
  seen = written(grey, {{}, fakeProfile(500, "GRAY")});
  EXPECT_EQ(seen.components, 1);
  EXPECT_EQ(seen.markers.size(), 2u);
  for (const Bytes& profile : {fakeProfile(500, "GRAY"), fakeProfile(500, "CMYK"), Bytes(100, 1)}) {
    seen = written(colour, {{}, profile});
    EXPECT_EQ(seen.components, 3);
    ASSERT_EQ(seen.markers.size(), 1u);
    EXPECT_EQ(seen.markers[0].code, JPEG_APP0);
  }
}

// --- PNG ---

struct PngChunk {
  std::string name;
  Bytes data;
};

std::vector<PngChunk> pngChunks(const Bytes& file) {
  std::vector<PngChunk> chunks;
  for (std::size_t at = 8; at + 12 <= file.size();) {
    const std::size_t size = std::size_t{file[at]} << 24 | std::size_t{file[at + 1]} << 16 |
                             std::size_t{file[at + 2]} << 8 | file[at + 3];
    chunks.push_back({std::string(file.begin() + at + 4, file.begin() + at + 8),
                      Bytes(file.begin() + at + 8, file.begin() + at + 8 + size)});
    at += 12 + size;
  }
  return chunks;
}

std::string pngChunkNames(const Bytes& file) {
  std::string names;
  for (const PngChunk& chunk : pngChunks(file)) names += chunk.name + " ";
  return names;
}

// `file` with a chunk inserted at byte `at` (33 is right after IHDR).
Bytes withPngChunk(const Bytes& file, std::size_t at, const char* name, ByteView data,
                   bool goodCrc = true) {
  Bytes chunk(4);
  putBigEndian32(chunk, 0, static_cast<std::uint32_t>(data.size()));
  chunk.insert(chunk.end(), name, name + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  uLong crc = crc32(0, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4));
  appendBigEndian32(chunk, static_cast<std::uint32_t>(goodCrc ? crc : crc ^ 1));
  Bytes out = file;
  out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), chunk.begin(), chunk.end());
  return out;
}

TEST(PngMetadata, ProfileAndRecordRoundTripBeforeThePixels) {
  const Surface picture = test::makeTestPicture(30, 20);
  const PictureMetadata metadata{test::cameraExifBlock(1, true), displayProfile()};
  auto file = encodePng(picture, &metadata);
  ASSERT_TRUE(file.ok()) << file.reason();
  EXPECT_EQ(pngChunkNames(*file), "IHDR iCCP eXIf IDAT IEND ");

  PictureMetadata back;
  auto decoded = decodePng(*file, &back);
  ASSERT_TRUE(decoded.ok()) << decoded.reason();
  EXPECT_EQ(*decoded, picture);
  EXPECT_EQ(back.exif, metadata.exif);
  EXPECT_EQ(back.icc, metadata.icc);

  // Into a JPEG and back: the same record and profile.
  PictureMetadata throughJpeg;
  ASSERT_TRUE(decodeJpeg(encodeJpeg(*decoded, {}, &back).value(), &throughJpeg).ok());
  EXPECT_EQ(throughJpeg.exif, metadata.exif);
  EXPECT_EQ(throughJpeg.icc, metadata.icc);

  // Nothing to carry writes the file as without metadata.
  const PictureMetadata none;
  EXPECT_EQ(encodePng(picture, &none).value(), encodePng(picture).value());
}

TEST(PngMetadata, ProfilesLibpngRefusesAreLeftOutOfTheFile) {
  const Surface picture = test::makeTestPicture(12, 10);
  Bytes lengthWrong = displayProfile();
  lengthWrong[3] ^= 4;
  for (const Bytes& profile :
       {displayProfile("GRAY"), displayProfile("CMYK"), fakeProfile(1000), lengthWrong}) {
    const PictureMetadata metadata{test::cameraExifBlock(1), profile};
    auto file = encodePng(picture, &metadata);
    ASSERT_TRUE(file.ok()) << file.reason();
    EXPECT_EQ(pngChunkNames(*file), "IHDR eXIf IDAT IEND ");
    PictureMetadata back;
    ASSERT_EQ(decodePng(*file, &back).value(), picture);
    EXPECT_EQ(back.exif, metadata.exif);
    EXPECT_TRUE(back.icc.empty());
  }
}

TEST(PngMetadata, PixelsStayAsStoredAndTheRecordSaysSo) {
  const Surface picture = test::makeTestPicture(30, 20);
  const Bytes plain = encodePng(picture).value();
  for (bool bigEndian : {false, true}) {
    const Bytes exif = test::cameraExifBlock(6, bigEndian);
    // The record at either end of the pixels.
    for (std::size_t at : {std::size_t{33}, plain.size() - 12}) {
      PictureMetadata metadata;
      auto decoded = decodePng(withPngChunk(plain, at, "eXIf", exif), &metadata);
      ASSERT_TRUE(decoded.ok()) << decoded.reason();
      EXPECT_EQ(*decoded, picture);
      expectUprightCopy(exif, metadata.exif);
    }
  }
}

TEST(PngMetadata, DamagedMetadataChunksCostOnlyThemselves) {
  const Surface picture = test::makeTestPicture(20, 20);
  const PictureMetadata good{test::cameraExifBlock(1), displayProfile()};
  const Bytes file = encodePng(picture, &good).value();
  const Bytes plain = encodePng(picture).value();
  const Bytes exif = test::cameraExifBlock(1);
  // The iCCP chunk as written, with its compressed profile damaged (and the
  // CRC made to fit): zlib finds the fault.
  const auto written = pngChunks(file);
  Bytes corrupt = written[1].data;
  corrupt[corrupt.size() / 2 + 7] ^= 0x40;
  // Another profile: of two, neither can be trusted.
  Bytes otherProfile = displayProfile();
  otherProfile.back() = 0x44;
  const PictureMetadata other{{}, otherProfile};
  const Bytes otherIccp = pngChunks(encodePng(picture, &other).value())[1].data;

  struct Case {
    const char* what;
    Bytes file;
    bool exifKept;
    Bytes icc;
  };
  const std::vector<Case> cases = {
      {"iCCP with a bad CRC", withPngChunk(plain, 33, "iCCP", written[1].data, false), false, {}},
      {"iCCP whose data fails zlib's check", withPngChunk(plain, 33, "iCCP", corrupt), false, {}},
      {"eXIf with a bad CRC", withPngChunk(file, 33, "eXIf", exif, false), false, good.icc},
      {"two iCCP chunks", withPngChunk(file, 33, "iCCP", otherIccp), true, {}},
  };
  for (const Case& test : cases) {
    PictureMetadata metadata;
    auto decoded = decodePng(test.file, &metadata);
    ASSERT_TRUE(decoded.ok()) << test.what << ": " << decoded.reason();
    EXPECT_EQ(*decoded, picture) << test.what;
    EXPECT_EQ(decodePng(test.file).value(), picture) << test.what;
    EXPECT_EQ(metadata.exif.empty(), !test.exifKept) << test.what;
    EXPECT_EQ(metadata.icc, test.icc) << test.what;
  }
}

TEST(PngMetadata, OversizedProfilesAreLeftOutWithinBoundedMemory) {
  const Surface picture = test::makeTestPicture(8, 8);
  // Past the 16 MB a profile may take when read, though it packs small.
  Bytes huge = displayProfile();
  huge.resize((16 << 20) + 4);
  putBigEndian32(huge, 0, static_cast<std::uint32_t>(huge.size()));
  const PictureMetadata metadata{test::cameraExifBlock(1), huge};
  const Bytes file = encodePng(picture, &metadata).value();
  ASSERT_LT(file.size(), 100000u);
  PictureMetadata back;
  auto decoded = decodePng(file, &back);
  ASSERT_TRUE(decoded.ok()) << decoded.reason();
  EXPECT_EQ(*decoded, picture);
  EXPECT_TRUE(back.icc.empty());
  EXPECT_EQ(back.exif, metadata.exif);
}

}  // namespace
}  // namespace imbrino
