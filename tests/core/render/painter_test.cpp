#include "render/painter.h"

#include <gtest/gtest.h>

#include <cmath>

namespace imbrino {
namespace {

constexpr Pixel kRed = makePixel(255, 0, 0);
constexpr Pixel kBlue = makePixel(0, 0, 255);

Surface filled(int width, int height, Pixel colour) {
  return Surface::create(width, height, colour).value();
}

TEST(Painter, BlendFollowsTheFormulaWithinOne) {
  for (int a : {0, 1, 64, 127, 128, 200, 254, 255})
    for (int s : {0, 1, 77, 128, 254, 255})
      for (int d : {0, 3, 128, 255}) {
        const auto src = static_cast<std::uint8_t>(s), dst = static_cast<std::uint8_t>(d);
        const Pixel mixed = mixPixels(makePixel(src, src, src), makePixel(dst, 0, dst),
                                      static_cast<std::uint8_t>(a));
        const double exact = s * a / 255.0 + d * (255 - a) / 255.0;
        EXPECT_LE(std::abs(redOf(mixed) - exact), 0.5 + 1e-9) << s << " " << d << " " << a;
        EXPECT_EQ(greenOf(mixed), static_cast<int>(std::lround(s * a / 255.0)));
      }
  EXPECT_EQ(mixPixels(kRed, kBlue, 255), kRed);
  EXPECT_EQ(mixPixels(kRed, kBlue, 0), kBlue);
}

TEST(Painter, FillIsClippedWithExclusiveEdges) {
  Surface s = filled(10, 10, kPixelWhite);
  Painter(s).fill({-5, 8, 7, 100}, kRed);
  EXPECT_EQ(s.pixel(0, 8), kRed);
  EXPECT_EQ(s.pixel(1, 9), kRed);
  EXPECT_EQ(s.pixel(2, 9), kPixelWhite);  // right edge exclusive
  EXPECT_EQ(s.pixel(0, 7), kPixelWhite);

  // Through a window: logical (0, 0) at (3, 3), nothing outside (3, 3)-(5, 5).
  Surface w = filled(10, 10, kPixelWhite);
  Painter(w, {3, 3}, {0, 0, 2, 2}).fill({-100, -100, 1000, 1000}, kBlue);
  int blue = 0;
  for (Pixel p : w.pixels()) blue += p == kBlue;
  EXPECT_EQ(blue, 4);
  EXPECT_EQ(w.pixel(3, 3), kBlue);
  EXPECT_EQ(w.pixel(4, 4), kBlue);
}

TEST(Painter, CopyAndBlendClipOnBothSides) {
  Surface source = filled(4, 4, kRed);
  source.setPixel(3, 3, kBlue);
  Surface target = filled(6, 6, kPixelWhite);
  // Asks for more than the source has and starts off the target.
  Painter(target).copy(source, {2, 2, 10, 10}, {-1, -1});
  EXPECT_EQ(target.pixel(0, 0), kBlue);  // source (3, 3)
  EXPECT_EQ(target.pixel(1, 1), kPixelWhite);
  EXPECT_EQ(target.pixel(0, 1), kPixelWhite);

  Surface dest = filled(3, 1, kPixelBlack);
  Painter(dest).blend(filled(2, 1, kPixelWhite), {0, 0, 2, 1}, {1, 0}, 128);
  EXPECT_EQ(dest.pixel(0, 0), kPixelBlack);
  EXPECT_EQ(dest.pixel(1, 0), makePixel(128, 128, 128));
  EXPECT_EQ(dest.pixel(2, 0), makePixel(128, 128, 128));
}

TEST(Painter, StretchTakesNearestPixelsWithoutSmoothing) {
  Surface source = filled(2, 2, kRed);
  source.setPixel(1, 0, kBlue);
  source.setPixel(0, 1, kPixelBlack);
  Surface big = filled(4, 4, kPixelWhite);
  Painter(big).stretch(source, {0, 0, 2, 2}, {0, 0, 4, 4});
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(big.pixel(x, y), source.pixel(x / 2, y / 2));

  // Shrinking by three keeps the middle pixel of each group.
  Surface stripes = filled(9, 1, kRed);
  for (int x = 1; x < 9; x += 3) stripes.setPixel(x, 0, kBlue);
  Surface small = filled(3, 1, kPixelWhite);
  Painter(small).stretch(stripes, {0, 0, 9, 1}, {0, 0, 3, 1});
  for (int x = 0; x < 3; ++x) EXPECT_EQ(small.pixel(x, 0), kBlue);

  // A stretch partly off the target still samples as if whole.
  Surface clipped = filled(2, 2, kPixelWhite);
  Painter(clipped).stretch(source, {0, 0, 2, 2}, {-2, -2, 4, 4});
  EXPECT_EQ(clipped.pixel(0, 0), source.pixel(1, 1));
}

TEST(Painter, KeyedStretchLeavesKeyPixelsExactly) {
  constexpr Pixel kMagenta = makePixel(255, 0, 255);
  constexpr Pixel kNearMagenta = makePixel(254, 0, 255);
  Surface source = filled(2, 1, kMagenta);
  source.setPixel(1, 0, kNearMagenta);
  Surface target = filled(4, 1, kBlue);
  Painter(target).stretchKeyed(source, {0, 0, 2, 1}, {0, 0, 4, 1}, kMagenta);
  EXPECT_EQ(target.pixel(0, 0), kBlue);
  EXPECT_EQ(target.pixel(1, 0), kBlue);
  EXPECT_EQ(target.pixel(2, 0), kNearMagenta);
  EXPECT_EQ(target.pixel(3, 0), kNearMagenta);
}

TEST(Painter, MaskMovesTowardTheColourByCoverage) {
  Surface target = filled(3, 1, kPixelWhite);
  const std::uint8_t coverage[] = {0, 128, 255};
  Painter(target).paintMask({coverage, 3, 1}, {0, 0}, kPixelBlack);
  EXPECT_EQ(target.pixel(0, 0), kPixelWhite);
  EXPECT_EQ(target.pixel(1, 0), makePixel(127, 127, 127));
  EXPECT_EQ(target.pixel(2, 0), kPixelBlack);
}

TEST(Painter, ExtremeDocumentCoordinatesStayInRange) {
  Surface target = filled(4, 4, kPixelWhite);
  Painter far(target, {2'000'000'000, -2'000'000'000}, {0, 0, 2'000'000'000, 2'000'000'000});
  far.fill({2'000'000'000, 2'000'000'000, 2'000'000'000, 5}, kRed);
  far.stretch(target, {0, 0, 4, 4}, {-2'000'000'000, 0, 2'000'000'000, 2'000'000'000});
  Painter(target).stretch(filled(1, 1, kRed), {0, 0, 2'000'000'000, 1},
                          {-2'000'000'000, 0, 2'100'000'000, 4});
  EXPECT_EQ(target.pixel(3, 3), kPixelWhite);
}

}  // namespace
}  // namespace imbrino
