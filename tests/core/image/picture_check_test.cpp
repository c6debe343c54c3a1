// The cheap check of a picture file must say yes exactly where loading it
// would, with the size loading gives. Every kind of file a user could add to a
// batch is made here, then damaged, renamed and emptied in each way, and the
// two answers compared. Reading the size from the header must agree too.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "core/image/exif_block.h"
#include "graphics/picture_limits.h"
#include "image/image_io.h"
#include "support/libjpeg_writer.h"
#include "support/test_support.h"

namespace imbrino {
namespace {

constexpr int kWidth = 45;  // odd sizes leave partial blocks and MCUs at the edges
constexpr int kHeight = 27;

// The JPEGs cameras write and our encoder does not: 4:2:0, progressive,
// Adobe CMYK, restart markers every few blocks.
Bytes cameraJpeg(bool progressive, bool cmyk, int restartInterval = 0) {
  const Surface picture = test::makeTestPicture(kWidth, kHeight);
  return test::writeLibjpegFile(kWidth, kHeight, 4, cmyk ? JCS_CMYK : JCS_EXT_BGRX,
                                test::bgrxSamples(picture.row(0)), [&](jpeg_compress_struct& info) {
                                  if (cmyk) jpeg_set_colorspace(&info, JCS_YCCK);
                                  jpeg_set_quality(&info, 92, TRUE);
                                  if (progressive) jpeg_simple_progression(&info);
                                  info.restart_interval = static_cast<unsigned>(restartInterval);
                                });
}

// An Adam7-interlaced 16-bit grey and alpha PNG: the layout furthest from
// the rows the reader asks libpng for.
Bytes interlacedPng() {
  Bytes file;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &file,
      [](png_structp p, png_bytep data, png_size_t length) {
        auto* out = static_cast<Bytes*>(png_get_io_ptr(p));
        out->insert(out->end(), data, data + length);
      },
      nullptr);
  png_set_IHDR(png, info, kWidth, kHeight, 16, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_INTERLACE_ADAM7,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<std::vector<png_byte>> rows(kHeight, std::vector<png_byte>(kWidth * 4));
  std::vector<png_bytep> pointers;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth * 4; ++x) rows[y][x] = static_cast<png_byte>(x * 7 + y * 13);
    pointers.push_back(rows[y].data());
  }
  png_write_image(png, pointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return file;
}

PictureMetadata turnedSixth() {
  PictureMetadata metadata;
  metadata.exif = test::cameraExifBlock(6);
  return metadata;
}

struct Sample {
  std::string name;
  std::string extension;
  Bytes file;
  ImageSize upright;  // as loading gives it
};

std::vector<Sample> goodSamples() {
  const Surface picture = test::makeTestPicture(kWidth, kHeight);
  const PictureMetadata turned = turnedSixth();
  const ImageSize size{kWidth, kHeight};
  return {
      {"bmp", ".bmp", encodeBmp(picture).value(), size},
      {"jpeg 4:4:4", ".jpg", encodeJpeg(picture).value(), size},
      {"jpeg 4:2:0 baseline", ".jpeg", cameraJpeg(false, false), size},
      {"jpeg 4:2:0 progressive", ".jpg", cameraJpeg(true, false), size},
      {"jpeg ycck", ".jpg", cameraJpeg(false, true), size},
      {"jpeg restart intervals", ".jpg", cameraJpeg(false, false, 2), size},
      // The JPEG is turned upright by its orientation; the PNG never is.
      {"jpeg orientation 6", ".jpg", encodeJpeg(picture, {}, &turned).value(), {kHeight, kWidth}},
      {"png", ".png", encodePng(picture).value(), size},
      {"png orientation 6", ".png", encodePng(picture, &turned).value(), size},
      {"png interlaced 16-bit", ".png", interlacedPng(), size},
      {"gif", ".gif", encodeGif(picture).value(), size},
  };
}

// What is done to a good file before it is added, and what loading it must
// then give; agreement with loading is asserted for every one.
enum class Expect { Loads, Refused, Either };

struct Damage {
  std::string name;
  std::function<void(Sample&)> apply;
  std::function<Expect(const Sample&)> expect;
};

// Another picture type's extension, so the file is read with the wrong codec.
std::string renamedExtension(const std::string& extension) {
  if (extension == ".jpg" || extension == ".jpeg") return ".png";
  if (extension == ".png") return ".gif";
  if (extension == ".gif") return ".bmp";
  return ".jpg";
}

void overwriteMiddle(Sample& sample, const Bytes& bytes) {
  std::copy(bytes.begin(), bytes.end(), sample.file.begin() + sample.file.size() / 2);
}

void overwriteEnd(Sample& sample, const Bytes& bytes) {
  std::copy(bytes.begin(), bytes.end(), sample.file.end() - bytes.size());
}

std::vector<Damage> damages() {
  auto always = [](Expect e) { return [e](const Sample&) { return e; }; };
  // An unknown extension is read as BMP.
  auto loadsIfBmp = [](const Sample& s) {
    return s.name == "bmp" ? Expect::Loads : Expect::Refused;
  };
  auto cut = [](std::size_t keep) {
    return [keep](Sample& s) { s.file.resize(std::min(keep, s.file.size())); };
  };
  return {
      {"good", [](Sample&) {}, always(Expect::Loads)},
      {"first half", [](Sample& s) { s.file.resize(s.file.size() / 2); }, always(Expect::Refused)},
      {"header only", cut(40), always(Expect::Refused)},
      // The last bytes: a JPEG's end marker, a PNG's IEND, a GIF's trailer.
      {"end cut", [](Sample& s) { s.file.resize(s.file.size() - 2); }, always(Expect::Either)},
      {"end cut more", [](Sample& s) { s.file.resize(s.file.size() - 20); },
       always(Expect::Either)},
      // Garbage in the middle: a PNG's CRC fails, a GIF's codes go wrong, a
      // JPEG may be shown with smeared blocks as viewers show it.
      {"corrupt middle",
       [](Sample& s) {
         for (std::size_t i = s.file.size() / 2; i < s.file.size() / 2 + 16; ++i) s.file[i] ^= 0x5A;
       },
       always(Expect::Either)},
      // Markers where the coded data should go on, and bytes where the end
      // marker should be: a JPEG reader stops at some markers and hunts
      // past others.
      {"end marker in the middle",
       [](Sample& s) {
         overwriteMiddle(s, {0xFF, 0xD9});
       },
       always(Expect::Either)},
      {"restart marker in the middle",
       [](Sample& s) {
         overwriteMiddle(s, {0xFF, 0xD5});
       },
       always(Expect::Either)},
      {"reserved marker in the middle",
       [](Sample& s) {
         overwriteMiddle(s, {0xFF, 0xFF, 0x01, 0x00});
       },
       always(Expect::Either)},
      {"no end marker",
       [](Sample& s) {
         overwriteEnd(s, {0x12, 0x34});
       },
       always(Expect::Either)},
      {"bytes after the end", [](Sample& s) { s.file.insert(s.file.end(), 300, 0xFF); },
       always(Expect::Either)},
      {"corrupt header", [](Sample& s) { s.file[1] ^= 0xFF; }, always(Expect::Refused)},
      {"renamed", [](Sample& s) { s.extension = renamedExtension(s.extension); },
       always(Expect::Refused)},
      {"unknown extension", [](Sample& s) { s.extension = ".dat"; }, loadsIfBmp},
      {"no extension", [](Sample& s) { s.extension = ""; }, loadsIfBmp},
      {"empty", [](Sample& s) { s.file.clear(); }, always(Expect::Refused)},
  };
}

// Adds the file as the batch list would and compares with loading it.
void expectSameVerdict(const test::TempFolder& folder, const Sample& sample, Expect expect) {
  const std::string path = folder.file("picture" + sample.extension);
  test::writeBytes(path, sample.file);
  const auto loaded = loadPictureFile(path);
  const auto checked = checkPictureFile(path);
  if (expect != Expect::Either) {
    EXPECT_EQ(loaded.ok(), expect == Expect::Loads) << loaded.reason();
  }
  ASSERT_EQ(checked.ok(), loaded.ok())
      << "load: " << loaded.reason() << "\ncheck: " << checked.reason();
  if (!loaded) {
    EXPECT_EQ(checked.reason(), loaded.reason());
    return;
  }
  EXPECT_EQ(checked->width, loaded->width());
  EXPECT_EQ(checked->height, loaded->height());
  EXPECT_EQ(checked->fileSize, sample.file.size());
}

TEST(PictureCheck, AcceptsExactlyWhatLoadingAccepts) {
  const test::TempFolder folder;
  for (const Sample& good : goodSamples()) {
    for (const Damage& damage : damages()) {
      SCOPED_TRACE(good.name + ", " + damage.name);
      Sample sample = good;
      damage.apply(sample);
      expectSameVerdict(folder, sample, damage.expect(sample));
    }
  }
}

TEST(PictureCheck, RefusesAJpegCutAfterARestartMarkerAsLoadingDoes) {
  // 4:4:4 with a restart marker after every MCU, cut 20 bytes after the
  // first RST7.
  const Surface picture = test::makeTestPicture(kWidth, kHeight);
  Sample cut{
      "jpeg cut after RST7",
      ".jpg",
      test::writeLibjpegFile(kWidth, kHeight, 4, JCS_EXT_BGRX, test::bgrxSamples(picture.row(0)),
                             [](jpeg_compress_struct& info) {
                               info.comp_info[0].h_samp_factor = 1;
                               info.comp_info[0].v_samp_factor = 1;
                               info.restart_interval = 1;
                             }),
      {kWidth, kHeight}};
  const Bytes rst7 = {0xFF, JPEG_RST0 + 7};
  const auto at = std::search(cut.file.begin(), cut.file.end(), rst7.begin(), rst7.end());
  ASSERT_NE(at, cut.file.end());
  cut.file.erase(at + 22, cut.file.end());
  expectSameVerdict(test::TempFolder(), cut, Expect::Refused);
}

TEST(PictureCheck, GivesTheUprightSize) {
  const test::TempFolder folder;
  std::vector<Sample> samples = goodSamples();
  // Every orientation a camera records; 5 to 8 swap the sides.
  const Surface picture = test::makeTestPicture(kWidth, kHeight);
  for (int orientation = 1; orientation <= 8; ++orientation) {
    PictureMetadata metadata;
    metadata.exif = test::cameraExifBlock(orientation);
    const ImageSize upright =
        orientation >= 5 ? ImageSize{kHeight, kWidth} : ImageSize{kWidth, kHeight};
    samples.push_back({"jpeg orientation " + std::to_string(orientation), ".jpg",
                       encodeJpeg(picture, {}, &metadata).value(), upright});
  }
  for (const Sample& sample : samples) {
    SCOPED_TRACE(sample.name);
    const std::string path = folder.file("picture" + sample.extension);
    test::writeBytes(path, sample.file);
    const auto checked = checkPictureFile(path);
    ASSERT_TRUE(checked.ok()) << checked.reason();
    EXPECT_EQ(checked->width, sample.upright.width);
    EXPECT_EQ(checked->height, sample.upright.height);
    const auto loaded = loadPictureFile(path);
    EXPECT_EQ(checked->width, loaded->width());
    EXPECT_EQ(checked->height, loaded->height());
    // The header alone gives the same size.
    const auto header = readImageSize(path);
    ASSERT_TRUE(header.ok()) << header.reason();
    EXPECT_EQ(*header, sample.upright);
  }
}

// Lowers the pixel limit for one test.
class PixelLimit {
 public:
  explicit PixelLimit(std::int64_t limit) : previous_(maxPicturePixels()) {
    setMaxPicturePixels(limit);
  }
  ~PixelLimit() { setMaxPicturePixels(previous_); }

 private:
  std::int64_t previous_;
};

TEST(PictureCheck, RefusesPicturesOverThePixelLimitAsLoadingDoes) {
  const test::TempFolder folder;
  const std::vector<Sample> samples = goodSamples();
  const PixelLimit limit(std::int64_t{kWidth} * kHeight - 1);
  for (const Sample& sample : samples) {
    SCOPED_TRACE(sample.name);
    expectSameVerdict(folder, sample, Expect::Refused);
    EXPECT_FALSE(readImageSize(folder.file("picture" + sample.extension)).ok());
  }
}

TEST(PictureCheck, MissingFileFailsWithItsReason) {
  const auto checked = checkPictureFile("/nonexistent/picture.jpg");
  ASSERT_FALSE(checked.ok());
  EXPECT_EQ(checked.reason(), loadPictureFile("/nonexistent/picture.jpg").reason());
}

}  // namespace
}  // namespace imbrino
