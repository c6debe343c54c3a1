#include "batch/jpeg_keep_stamp.h"

#include <gtest/gtest.h>

#include <cstdlib>

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

}  // namespace
}  // namespace imbrino
