#include "image/exif_orientation.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/image/exif_block.h"

namespace imbrino {
namespace {

Surface pictureOf(int width, int height, const std::vector<Pixel>& pixels) {
  Surface picture = Surface::create(width, height).value();
  std::copy(pixels.begin(), pixels.end(), picture.pixels().begin());
  return picture;
}

// Stored:   a b c    and what a viewer shows for each orientation.
//           d e f
constexpr Pixel a = 1, b = 2, c = 3, d = 4, e = 5, f = 6;

struct OrientationCase {
  int orientation;
  int width;
  int height;
  std::vector<Pixel> upright;
};

TEST(ExifOrientation, EveryOrientationComesOutUpright) {
  const std::vector<OrientationCase> cases = {
      {1, 3, 2, {a, b, c, d, e, f}}, {2, 3, 2, {c, b, a, f, e, d}}, {3, 3, 2, {f, e, d, c, b, a}},
      {4, 3, 2, {d, e, f, a, b, c}}, {5, 2, 3, {a, d, b, e, c, f}}, {6, 2, 3, {d, a, e, b, f, c}},
      {7, 2, 3, {f, c, e, b, d, a}}, {8, 2, 3, {c, f, b, e, a, d}}, {0, 3, 2, {a, b, c, d, e, f}},
      {9, 3, 2, {a, b, c, d, e, f}},
  };
  for (const auto& test : cases) {
    auto upright = applyExifOrientation(pictureOf(3, 2, {a, b, c, d, e, f}), test.orientation);
    ASSERT_TRUE(upright.ok()) << test.orientation;
    EXPECT_EQ(*upright, pictureOf(test.width, test.height, test.upright))
        << "orientation " << test.orientation;
  }
}

TEST(ExifOrientation, QuarterTurnsOfLargePicturesMatchPixelByPixel) {
  // Larger than the tiles the turn works in, with sides that are no multiple.
  Surface stored = Surface::create(150, 70).value();
  for (int y = 0; y < 70; ++y)
    for (int x = 0; x < 150; ++x) stored.setPixel(x, y, static_cast<Pixel>(y * 1000 + x));
  auto turned = applyExifOrientation(stored, 6);
  ASSERT_TRUE(turned.ok());
  ASSERT_EQ(turned->width(), 70);
  ASSERT_EQ(turned->height(), 150);
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 70; ++x) ASSERT_EQ(turned->pixel(x, y), stored.pixel(y, 69 - x));
}

TEST(ExifOrientation, ReadsTheOrientationInEitherByteOrder) {
  for (int orientation = 1; orientation <= 8; ++orientation) {
    EXPECT_EQ(readExifOrientation(test::exifOrientationBlock(orientation, false)), orientation);
    EXPECT_EQ(readExifOrientation(test::exifOrientationBlock(orientation, true)), orientation);
  }
}

TEST(ExifOrientation, DamagedOrForeignBlocksMeanAsStored) {
  EXPECT_EQ(readExifOrientation(test::exifOrientationBlock(9)), 1);
  EXPECT_EQ(readExifOrientation(test::exifOrientationBlock(0)), 1);
  EXPECT_EQ(readExifOrientation({}), 1);
  const Bytes xmp = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', 0};
  EXPECT_EQ(readExifOrientation(xmp), 1);
  Bytes block = test::exifOrientationBlock(6);
  // Cut anywhere before the entry's value field ends.
  for (std::size_t size = 0; size < 28; ++size)
    EXPECT_EQ(readExifOrientation(ByteView(block).first(size)), 1) << size;
  // The IFD offset pointing far outside the block.
  block[10] = 0xF0;
  EXPECT_EQ(readExifOrientation(block), 1);
}

TEST(ExifOrientation, OnlyTheFirstIfdsSingleShortCounts) {
  const Bytes good = test::cameraExifBlock(6);
  ASSERT_EQ(findExifOrientation(good)->valueOffset, 30u);
  // IFD0's orientation entry starts at byte 22: tag, type, count, value. Made
  // two values, or the thumbnail's IFD1 left to record it alone: no note.
  Bytes twoValues = good, thumbnailOnly = good;
  twoValues[26] = 2;
  thumbnailOnly[22] = 0x13;
  EXPECT_FALSE(findExifOrientation(twoValues));
  EXPECT_FALSE(findExifOrientation(thumbnailOnly));
  // An entry count past the end of the block stops the search there.
  thumbnailOnly[9] = 0xFF;
  EXPECT_FALSE(findExifOrientation(thumbnailOnly));
}

}  // namespace
}  // namespace imbrino
