#include "graphics/resample.h"

#include <gtest/gtest.h>

namespace imbrino {
namespace {

// Shrinking averages what each target pixel covers; growing interpolates
// between neighbours and keeps the ends.
TEST(ResampleSurface, AveragesWhenShrinkingAndInterpolatesWhenGrowing) {
  Surface checker = Surface::create(4, 4).value();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) checker.setPixel(x, y, (x + y) % 2 ? kPixelBlack : kPixelWhite);
  const Surface half = resampleSurface(checker, checker.bounds(), 2, 2).value();
  for (Pixel p : half.pixels()) EXPECT_NEAR(redOf(p), 128, 1);

  Surface ends = Surface::create(2, 1, kPixelBlack).value();
  ends.setPixel(1, 0, kPixelWhite);
  const Surface grown = resampleSurface(ends, ends.bounds(), 8, 1).value();
  EXPECT_EQ(grown.pixel(0, 0), kPixelBlack);
  EXPECT_EQ(grown.pixel(7, 0), kPixelWhite);
  for (int x = 1; x < 8; ++x) EXPECT_GE(redOf(grown.pixel(x, 0)), redOf(grown.pixel(x - 1, 0)));

  EXPECT_FALSE(resampleSurface(ends, {5, 5, 2, 2}, 3, 3));
}

}  // namespace
}  // namespace imbrino
