// --jpeg keep from the command line, and what `info` tells of a JPEG. The
// photos are made with libjpeg in the sampling and quality cameras use.

#include <gtest/gtest.h>

#include <jpeglib.h>

#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <vector>

#include "apps/cli_runner.h"
#include "core/image/exif_block.h"
#include "image/image_io.h"
#include "image/jpeg_keep/jpeg_keep.h"
#include "support/libjpeg_writer.h"
#include "support/test_support.h"
#include "template/template_file.h"

namespace imbrino {
namespace {

struct Photo {
  int width = 160;
  int height = 120;
  int lumaH = 2, lumaV = 2;  // chroma 1 x 1
  int quality = 90;
  int orientation = 1;
};

Bytes makePhoto(const Photo& p) {
  std::vector<Pixel> pixels(static_cast<std::size_t>(p.width) * p.height);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      pixels[static_cast<std::size_t>(y) * p.width + x] =
          makePixel(static_cast<std::uint8_t>(128 + 100 * std::sin(x / 7.0)),
                    static_cast<std::uint8_t>(128 + 100 * std::cos(y / 5.0)),
                    static_cast<std::uint8_t>((x * 5 + y * 3) % 256));
  return test::writeLibjpegFile(
      p.width, p.height, 4, JCS_EXT_BGRX, test::bgrxSamples(pixels.data()),
      [&](jpeg_compress_struct& info) {
        info.comp_info[0].h_samp_factor = p.lumaH;
        info.comp_info[0].v_samp_factor = p.lumaV;
        jpeg_set_quality(&info, p.quality, TRUE);
      },
      [&](jpeg_compress_struct& info) {
        if (p.orientation == 1) return;
        const Bytes exif = test::exifOrientationBlock(p.orientation);
        jpeg_write_marker(&info, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
      });
}

// Each component's blocks, 64 coefficients each, and where each lies in pixels.
struct Block {
  int component;
  Rect pixels;
  std::vector<JCOEF> coefficients;
};

std::vector<Block> readBlocks(const Bytes& file) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = test::throwingJpegErrors(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&info, TRUE);
  jvirt_barray_ptr* arrays = jpeg_read_coefficients(&info);
  std::vector<Block> blocks;
  for (int c = 0; c < info.num_components; ++c) {
    const jpeg_component_info& k = info.comp_info[c];
    const int w = 8 * info.max_h_samp_factor / k.h_samp_factor;
    const int h = 8 * info.max_v_samp_factor / k.v_samp_factor;
    for (JDIMENSION by = 0; by < k.height_in_blocks; ++by) {
      JBLOCKARRAY row = (*info.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&info),
                                                        arrays[c], by, 1, FALSE);
      for (JDIMENSION bx = 0; bx < k.width_in_blocks; ++bx)
        blocks.push_back({c, Rect{static_cast<int>(bx) * w, static_cast<int>(by) * h, w, h},
                          std::vector<JCOEF>(row[0][bx], row[0][bx] + 64)});
    }
  }
  jpeg_destroy_decompress(&info);
  return blocks;
}

class CliJpeg : public ::testing::Test {
 protected:
  void SetUp() override {
    Template stamp;
    stamp.background = {6, 4, 0, 0x000000FF, 255, 0, 0};  // red, 6 x 4
    ASSERT_TRUE(writeTemplateFile(templatePath, stamp));
  }

  std::string photo(const std::string& name, const Photo& p = {}) {
    const std::string path = folder.file(name);
    test::writeBytes(path, makePhoto(p));
    return path;
  }

  test::TempFolder folder;
  const std::string templatePath = folder.file("stamp.src");
};

// Every block outside the MCUs the stamp touches is the input's, the file is
// no larger than the input, and the stamp is where the batch puts it, whether
// written by batch or by stamp.
TEST_F(CliJpeg, KeepCarriesOverTheBlocksTheStampDoesNotTouch) {
  const std::string in = photo("in.jpg");
  const Bytes input = test::readBytes(in);
  const std::string batchOut = folder.file("out/in.jpg"), stampOut = folder.file("stamped.jpeg");
  ASSERT_EQ(runCli("batch --jpeg keep --anchor bottom-right --template " + templatePath +
                   " --out " + folder.file("out") + " " + in)
                .exitCode,
            0);
  ASSERT_EQ(
      runCli("stamp --jpeg keep --anchor bottom-right " + templatePath + " " + in + " " + stampOut)
          .exitCode,
      0);
  const Rect touched = jpegMcuRectangle(input, Rect{154, 116, 6, 4});
  ASSERT_EQ(touched, (Rect{144, 112, 16, 8}));  // 4:2:0 MCUs of 16 x 16, cut by the edge
  const std::vector<Block> before = readBlocks(input);
  for (const std::string& out : {batchOut, stampOut}) {
    const Bytes output = test::readBytes(out);
    const std::vector<Block> after = readBlocks(output);
    ASSERT_EQ(after.size(), before.size());
    int kept = 0;
    for (std::size_t i = 0; i < before.size(); ++i)
      if (intersect(before[i].pixels, touched).empty()) {
        EXPECT_EQ(after[i].coefficients, before[i].coefficients) << out << " block " << i;
        ++kept;
      }
    EXPECT_GT(kept, static_cast<int>(before.size()) * 9 / 10);
    // Spliced into the input's coded data with its own tables: only the
    // stamp's blocks change size.
    EXPECT_LE(output.size(), input.size() * 102 / 100) << out;
    EXPECT_GE(output.size(), input.size() * 80 / 100) << out;
    const Surface result = loadPictureFile(out).value();
    EXPECT_GE(redOf(result.pixel(157, 118)), 200) << out;
    EXPECT_LT(greenOf(result.pixel(157, 118)), 60) << out;
  }
}

// A turned photo keeps its orientation and shows the stamp upright; what the
// path cannot keep takes the usual one: a JPEG made into a PNG and a PNG are
// stamped exactly.
TEST_F(CliJpeg, KeepFallsBackWhereItCannotApply) {
  Photo turned;
  turned.orientation = 6;  // stored 160 x 120, shown 120 x 160
  const std::string rotated = photo("turned.jpg", turned);
  const std::string plain = photo("plain.jpg");
  const std::string png = folder.file("flat.png");
  test::writeBytes(png, encodePicture(Surface::create(20, 10).value(), CodecFormat::Png).value());
  const std::string out = folder.file("out");
  const CliRun run = runCli("batch --jpeg keep --anchor top-left --jobs 2 --template " +
                                templatePath + " --out " + out + " " + rotated + " " + png,
                            true);
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out.find("imbrino-cli:"), std::string::npos) << run.out;  // silently
  EXPECT_EQ(jpegExifOrientation(test::readBytes(out + "/turned.jpg")), 6);
  const Surface upright = loadPictureFile(out + "/turned.jpg").value();
  EXPECT_EQ(upright.width(), 120);
  EXPECT_GE(redOf(upright.pixel(2, 2)), 200);
  EXPECT_LT(greenOf(upright.pixel(2, 2)), 60);
  const Surface flat = loadPictureFile(out + "/flat.png").value();
  EXPECT_EQ(flat.pixel(0, 0), makePixel(255, 0, 0));
  EXPECT_EQ(flat.pixel(6, 0), kPixelWhite);

  const std::string asPng = folder.file("plain.png");
  ASSERT_EQ(
      runCli("stamp --jpeg keep --anchor top-left " + templatePath + " " + plain + " " + asPng)
          .exitCode,
      0);
  EXPECT_EQ(loadPictureFile(asPng).value().pixel(1, 1), makePixel(255, 0, 0));
  EXPECT_EQ(runCli("stamp --jpeg fast " + templatePath + " " + plain + " " + asPng).exitCode, 2);
}

// The quality is read back from the luminance table within one step, at
// every sampling; the default path writes 4:4:4 at 99.
TEST_F(CliJpeg, InfoTellsTheSamplingAndQuality) {
  struct Made {
    int h, v, quality;
    const char* sampling;
  };
  for (const Made& made :
       {Made{2, 2, 92, "4:2:0"}, Made{2, 1, 75, "4:2:2"}, Made{1, 1, 100, "4:4:4"},
        Made{2, 2, 50, "4:2:0"}, Made{1, 2, 30, "4:4:0"}, Made{2, 2, 5, "4:2:0"}}) {
    Photo p;
    p.lumaH = made.h;
    p.lumaV = made.v;
    p.quality = made.quality;
    const CliRun run = runCli("info " + photo("q.jpg", p));
    ASSERT_EQ(run.exitCode, 0) << made.quality;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["sampling"], made.sampling);
    EXPECT_NEAR(json["quality"].get<int>(), made.quality, 1) << made.sampling;
  }
  const std::string in = photo("in.jpg");
  ASSERT_EQ(runCli("stamp " + templatePath + " " + in + " " + folder.file("again.jpg")).exitCode,
            0);
  const auto json = nlohmann::json::parse(runCli("info " + folder.file("again.jpg")).out);
  EXPECT_EQ(json["sampling"], "4:4:4");
  EXPECT_EQ(json["quality"], 99);
}

}  // namespace
}  // namespace imbrino
