#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "core/image/exif_block.h"
#include "image/codecs.h"
#include "image/exif_orientation.h"
#include "image/jpeg_encoder.h"
#include "image/picture_metadata.h"
#include "support/libjpeg_writer.h"
#include "support/test_support.h"

namespace imbrino {
namespace {

// Writes a JPEG with libjpeg itself, for the kinds of file our encoder does
// not make. `samples` holds `components` bytes a pixel in `inSpace`.
Bytes libjpegFile(int width, int height, int components, J_COLOR_SPACE inSpace,
                  J_COLOR_SPACE fileSpace, const std::vector<JSAMPLE>& samples,
                  const std::function<void(jpeg_compress_struct&)>& adjust = {},
                  const Bytes& app1 = {}, const std::vector<Bytes>& app2 = {}) {
  return test::writeLibjpegFile(
      width, height, components, inSpace, samples.data(),
      [&](jpeg_compress_struct& info) {
        jpeg_set_colorspace(&info, fileSpace);
        jpeg_set_quality(&info, 95, TRUE);
        for (int c = 0; c < info.num_components; ++c)
          info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
        if (adjust) adjust(info);
      },
      [&](jpeg_compress_struct& info) {
        if (!app1.empty())
          jpeg_write_marker(&info, JPEG_APP0 + 1, app1.data(), static_cast<unsigned>(app1.size()));
        for (const Bytes& payload : app2)
          jpeg_write_marker(&info, JPEG_APP0 + 2, payload.data(),
                            static_cast<unsigned>(payload.size()));
      });
}

std::vector<JSAMPLE> rgbSamples(const Surface& picture) {
  std::vector<JSAMPLE> samples;
  for (Pixel p : picture.pixels()) samples.insert(samples.end(), {redOf(p), greenOf(p), blueOf(p)});
  return samples;
}

// What libjpeg reads from the file's header, with the saved COM markers.
struct JpegHeader {
  int components = 0;
  J_COLOR_SPACE space = JCS_UNKNOWN;
  bool subsampled = false;
  std::vector<std::string> comments;
};

JpegHeader readHeader(const Bytes& file) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = test::throwingJpegErrors(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), file.size());
  jpeg_save_markers(&info, JPEG_COM, 0xFFFF);
  jpeg_read_header(&info, TRUE);
  JpegHeader header{info.num_components, info.jpeg_color_space};
  for (int c = 0; c < info.num_components; ++c)
    header.subsampled |=
        info.comp_info[c].h_samp_factor != 1 || info.comp_info[c].v_samp_factor != 1;
  for (auto* m = info.marker_list; m; m = m->next)
    header.comments.emplace_back(reinterpret_cast<const char*>(m->data), m->data_length);
  jpeg_destroy_decompress(&info);
  return header;
}

int difference(Pixel p, Pixel q) {
  int worst = 0;
  for (int shift : {0, 8, 16})
    worst = std::max(worst, std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF)));
  return worst;
}

// The largest difference of any channel; every decoded pixel must be opaque.
int maxDifference(const Surface& expected, const Surface& decoded) {
  EXPECT_EQ(expected.width(), decoded.width());
  EXPECT_EQ(expected.height(), decoded.height());
  int worst = 0;
  for (std::size_t i = 0; i < expected.pixels().size() && i < decoded.pixels().size(); ++i) {
    EXPECT_EQ(decoded.pixels()[i] >> 24, 0xFFu) << "pixel " << i << " is not opaque";
    worst = std::max(worst, difference(expected.pixels()[i], decoded.pixels()[i]));
  }
  return worst;
}

TEST(JpegCodec, ColourRoundTripIsCloseAndUnsubsampled) {
  const Surface picture = test::makeTestPicture(64, 48);
  auto file = encodeJpeg(picture);
  ASSERT_TRUE(file.ok()) << file.reason();
  const JpegHeader header = readHeader(*file);
  EXPECT_EQ(header.components, 3);
  EXPECT_EQ(header.space, JCS_YCbCr);
  EXPECT_FALSE(header.subsampled);
  auto decoded = decodeJpeg(*file);
  ASSERT_TRUE(decoded.ok()) << decoded.reason();
  EXPECT_LE(maxDifference(picture, *decoded), 12);

  auto rough = encodeJpeg(picture, {.quality = 30});
  ASSERT_TRUE(rough.ok());
  EXPECT_LT(rough->size(), file->size());
}

TEST(JpegCodec, GreyPicturesAreWrittenAndReadAsOneChannel) {
  Surface picture = Surface::create(40, 30).value();
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const auto v = static_cast<std::uint8_t>(x * 6);
      picture.setPixel(x, y, makePixel(v, v, v));
    }
  auto file = encodeJpeg(picture);
  ASSERT_TRUE(file.ok());
  EXPECT_EQ(readHeader(*file).components, 1);
  auto decoded = decodeJpeg(*file);
  ASSERT_TRUE(decoded.ok()) << decoded.reason();
  EXPECT_TRUE(decoded->isGrey());
  EXPECT_LE(maxDifference(picture, *decoded), 3);
}

TEST(JpegCodec, ExtraMarkersAreWrittenAfterTheHeader) {
  const Bytes note = {'h', 'e', 'l', 'l', 'o'};
  const JpegMarker markers[] = {{JPEG_COM, note}};
  auto file = encodeJpegWithMarkers(test::makeTestPicture(8, 8), {}, markers);
  ASSERT_TRUE(file.ok());
  EXPECT_EQ(readHeader(*file).comments, std::vector<std::string>{"hello"});
}

TEST(JpegCodec, CmykAndYcckAreConvertedToRgb) {
  // Quadrants red, green, blue and white. With an Adobe marker the values are
  // inverted (255 = no ink), as Photoshop writes them; without, they are not.
  const Pixel expected[] = {makePixel(255, 0, 0), makePixel(0, 255, 0), makePixel(0, 0, 255),
                            kPixelWhite};
  const JSAMPLE inverted[][4] = {
      {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}};
  Surface want = Surface::create(16, 16).value();
  for (int q = 0; q < 4; ++q) want.fillRect({(q % 2) * 8, (q / 2) * 8, 8, 8}, expected[q]);
  for (auto [space, adobe] : {std::pair{JCS_CMYK, true}, {JCS_YCCK, true}, {JCS_CMYK, false}}) {
    std::vector<JSAMPLE> samples;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        for (JSAMPLE v : inverted[(y / 8) * 2 + x / 8])
          samples.push_back(adobe ? v : static_cast<JSAMPLE>(255 - v));
    auto decoded = decodeJpeg(libjpegFile(16, 16, 4, JCS_CMYK, space, samples,
                                          [&](auto& info) { info.write_Adobe_marker = adobe; }));
    ASSERT_TRUE(decoded.ok()) << decoded.reason();
    EXPECT_LE(maxDifference(want, *decoded), 8) << space << " " << adobe;
  }
}

TEST(JpegCodec, ProfilesGoWithTheColoursTheyDescribe) {
  Bytes profile(3000, 7);
  std::copy_n("CMYK", 4, profile.begin() + 16);
  const std::vector<JSAMPLE> ink(16 * 16 * 4, 100);
  const auto payloads = iccMarkerPayloads(profile);
  // A CMYK profile describes the inks; the picture we make of them is RGB.
  PictureMetadata metadata;
  auto cmyk = decodeJpeg(
      libjpegFile(16, 16, 4, JCS_CMYK, JCS_CMYK, ink, {}, test::exifOrientationBlock(1), payloads),
      &metadata);
  ASSERT_TRUE(cmyk.ok()) << cmyk.reason();
  EXPECT_TRUE(metadata.icc.empty());
  EXPECT_FALSE(metadata.exif.empty());

  // Progressive files hold every coefficient in memory, within a limit that
  // the kept markers must not eat into: the largest record and profile a file
  // can hold on a small picture.
  profile.resize(255 * kIccMarkerDataSize);
  Bytes exif = test::exifOrientationBlock(1);
  exif.resize(65533);
  // (Tall enough that libjpeg cannot do with a few rows of blocks.)
  const Surface picture = test::makeTestPicture(16, 128);
  auto progressive = decodeJpeg(
      libjpegFile(
          16, 128, 3, JCS_RGB, JCS_YCbCr, rgbSamples(picture),
          [](auto& info) { jpeg_simple_progression(&info); }, exif, iccMarkerPayloads(profile)),
      &metadata);
  ASSERT_TRUE(progressive.ok()) << progressive.reason();
  EXPECT_EQ(metadata.icc, profile);
  EXPECT_EQ(metadata.exif.size(), kMaxJpegExifSize);
  EXPECT_LE(maxDifference(picture, *progressive), 16);
}

TEST(JpegCodec, ProgressiveFilesDecodeButEndlessScansAreRefused) {
  const Surface picture = test::makeTestPicture(24, 16);
  auto progressive = decodeJpeg(libjpegFile(24, 16, 3, JCS_RGB, JCS_YCbCr, rgbSamples(picture),
                                            [](auto& info) { jpeg_simple_progression(&info); }));
  ASSERT_TRUE(progressive.ok()) << progressive.reason();
  EXPECT_LE(maxDifference(picture, *progressive), 16);

  // One grey component: the DC scan, then each AC coefficient sent alone and
  // refined bit by bit, 11 scans a coefficient.
  auto scans = [](int coefficients) {
    auto script = std::make_shared<std::vector<jpeg_scan_info>>();
    script->push_back({1, {0}, 0, 0, 0, 0});
    for (int k = 1; k <= coefficients; ++k) {
      script->push_back({1, {0}, k, k, 0, 10});
      for (int bit = 10; bit >= 1; --bit) script->push_back({1, {0}, k, k, bit, bit - 1});
    }
    return [script](jpeg_compress_struct& info) {
      info.scan_info = script->data();
      info.num_scans = static_cast<int>(script->size());
    };
  };
  const std::vector<JSAMPLE> grey(16 * 16, 100);
  auto many = decodeJpeg(libjpegFile(16, 16, 1, JCS_GRAYSCALE, JCS_GRAYSCALE, grey, scans(30)));
  EXPECT_TRUE(many.ok()) << many.reason();  // 331 scans
  auto endless = decodeJpeg(libjpegFile(16, 16, 1, JCS_GRAYSCALE, JCS_GRAYSCALE, grey, scans(63)));
  ASSERT_FALSE(endless.ok());
  EXPECT_EQ(endless.reason(), "JPEG: the file holds too many scans");
}

TEST(JpegCodec, ExifOrientationIsApplied) {
  // Stored lying on its side and to be turned a quarter clockwise.
  const Surface stored = test::makeTestPicture(32, 16);
  const auto samples = rgbSamples(stored);
  auto upright = decodeJpeg(
      libjpegFile(32, 16, 3, JCS_RGB, JCS_YCbCr, samples, {}, test::exifOrientationBlock(6, true)));
  ASSERT_TRUE(upright.ok()) << upright.reason();
  ASSERT_EQ(upright->width(), 16);
  // The stored bottom-left quadrant (blue) is now the top-left one.
  EXPECT_LE(difference(upright->pixel(3, 3), makePixel(40, 50, 210)), 4);
  EXPECT_LE(maxDifference(applyExifOrientation(stored, 6).value(), *upright), 40);

  // A damaged EXIF block costs the orientation, not the picture.
  Bytes damaged = test::exifOrientationBlock(6);
  damaged.resize(12);
  auto asStored = decodeJpeg(libjpegFile(32, 16, 3, JCS_RGB, JCS_YCbCr, samples, {}, damaged));
  ASSERT_TRUE(asStored.ok()) << asStored.reason();
  EXPECT_EQ(asStored->width(), 32);
}

TEST(JpegCodec, TruncatedAndDamagedFilesFailCleanly) {
  const Bytes file = encodeJpeg(test::makeTestPicture(64, 48)).value();
  for (std::size_t size :
       {std::size_t{0}, std::size_t{2}, std::size_t{30}, file.size() / 2, file.size() - 2}) {
    auto decoded = decodeJpeg(ByteView(file).first(size));
    ASSERT_FALSE(decoded.ok()) << size;
    EXPECT_EQ(decoded.reason().rfind("JPEG: ", 0), 0u) << decoded.reason();
  }
  EXPECT_EQ(decodeJpeg(ByteView(file).first(file.size() / 2)).reason(),
            "JPEG: Premature end of JPEG file");
  const Bytes text = {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'};
  EXPECT_FALSE(decodeJpeg(text).ok());

  // Stray bytes between markers are common in real photos and harmless.
  Bytes stray = file;
  stray.insert(stray.begin() + 20, {0x12, 0x34, 0x56});
  auto tolerated = decodeJpeg(stray);
  ASSERT_TRUE(tolerated.ok()) << tolerated.reason();
  EXPECT_EQ(*tolerated, decodeJpeg(file).value());
}

TEST(JpegCodec, HeadersAnnouncingMoreThanTheFileHoldsAreRefused) {
  Bytes file = encodeJpeg(test::makeTestPicture(16, 16)).value();
  const std::uint8_t sofMarker[] = {0xFF, 0xC0};
  const auto sof = static_cast<std::size_t>(
      std::search(file.begin(), file.end(), std::begin(sofMarker), std::end(sofMarker)) -
      file.begin());
  auto announce = [&](unsigned width, unsigned height) {
    Bytes patched = file;
    patched[sof + 5] = static_cast<std::uint8_t>(height >> 8);
    patched[sof + 6] = static_cast<std::uint8_t>(height);
    patched[sof + 7] = static_cast<std::uint8_t>(width >> 8);
    patched[sof + 8] = static_cast<std::uint8_t>(width);
    return decodeJpeg(patched);
  };
  EXPECT_NE(announce(60000, 60000).reason().find("too large"), std::string::npos);
  EXPECT_NE(announce(15000, 15000).reason().find("truncated"), std::string::npos);
  EXPECT_FALSE(announce(0, 16).ok());
}

}  // namespace
}  // namespace imbrino
