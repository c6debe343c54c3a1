#include "batch/jpeg_keep_stamp.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/image/exif_block.h"
#include "image/exif_orientation.h"
#include "image/image_types.h"
#include "image/jpeg_keep/jpeg_keep.h"
#include "render/template_compose.h"
#include "support/test_support.h"

namespace imbrino {
namespace {

// The template lands where drawTemplate puts it, in its colour, and the
// picture away from its MCUs decodes as it did; a template off the picture
// gives the file back.
TEST(JpegKeepStamp, DrawsTheTemplateWhereTheBatchWould) {
  const Bytes input = encodeJpeg(test::makeTestPicture(120, 90)).value();
  Template document;
  document.background = {20, 12, 0, 0x000000FF, 255, 0, 0};  // a red block
  const Surface original = decodeJpeg(input).value();
  Surface composite = original;
  drawTemplate(composite, 50, 41, document, false, false);

  const Surface result =
      decodeJpeg(stampJpegKeepingBlocks(input, document, 50, 41).value()).value();
  auto near = [](Pixel a, Pixel b) {
    for (int shift : {0, 8, 16})
      if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) >
          8)
        return false;
    return true;
  };
  for (int y = 0; y < 90; ++y)
    for (int x = 0; x < 120; ++x) {
      // 4:4:4, so the MCUs are 8 x 8 and the template's touch 48..71 x 40..55.
      const bool touched = x >= 48 && x < 72 && y >= 40 && y < 56;
      if (touched) {
        ASSERT_TRUE(near(result.pixel(x, y), composite.pixel(x, y))) << x << ", " << y;
      } else {
        ASSERT_EQ(result.pixel(x, y), original.pixel(x, y)) << x << ", " << y;
      }
    }

  EXPECT_EQ(stampJpegKeepingBlocks(input, document, 120, 0).value(), input);
  EXPECT_EQ(stampJpegKeepingBlocks(input, document, -20, -12).value(), input);
}

// A photo its EXIF orientation turns keeps the orientation and its blocks;
// once turned for viewing, it shows the stamp where the batch puts it on the
// upright picture, whichever of the eight ways it is stored.
TEST(JpegKeepStamp, ATurnedPhotoKeepsItsOrientationAndShowsTheStampUpright) {
  const Surface stored = test::makeTestPicture(120, 90);
  Template document;
  document.background = {20, 12, 0, 0x00FF0000, 255, 0, 0};
  document.background.width = 24;
  document.background.height = 10;
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE("orientation " + std::to_string(orientation));
    PictureMetadata metadata;
    const Bytes app1 = test::exifOrientationBlock(orientation);
    metadata.exif.assign(app1.begin() + 6, app1.end());  // after "Exif\0\0"
    const Bytes input = encodeJpeg(stored, {}, &metadata).value();
    ASSERT_EQ(jpegExifOrientation(input), orientation);
    const Surface upright = decodeJpeg(input).value();
    Surface composite = upright;
    drawTemplate(composite, 37, 45, document, false, false);

    const Bytes output = stampJpegKeepingBlocks(input, document, 37, 45).value();
    EXPECT_EQ(jpegExifOrientation(output), orientation);
    const Surface result = decodeJpeg(output).value();
    ASSERT_EQ(result.width(), upright.width());
    // The MCUs the stamp touches in the file, seen upright.
    const Rect storedArea = storedRectOf({37, 45, 24, 10}, orientation, 120, 90);
    const Rect touched = uprightRectOf(jpegMcuRectangle(input, storedArea), orientation, 120, 90);
    for (int y = 0; y < upright.height(); ++y)
      for (int x = 0; x < upright.width(); ++x) {
        const Pixel is = result.pixel(x, y);
        if (x >= touched.x && x < touched.right() && y >= touched.y && y < touched.bottom()) {
          const Pixel want = composite.pixel(x, y);
          for (int shift : {0, 8, 16})
            ASSERT_LE(std::abs(static_cast<int>((is >> shift) & 0xFF) -
                               static_cast<int>((want >> shift) & 0xFF)),
                      8)
                << x << ", " << y;
        } else {
          ASSERT_EQ(is, upright.pixel(x, y)) << x << ", " << y;
        }
      }
  }
}

}  // namespace
}  // namespace imbrino
