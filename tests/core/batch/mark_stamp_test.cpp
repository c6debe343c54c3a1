#include "batch/mark_stamp.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "batch/mark_options.h"
#include "image/codecs.h"
#include "platform/gbk.h"
#include "render/painter.h"
#include "render/template_compose.h"
#include "render/template_scale.h"
#include "settings/settings_file.h"
#include "support/libjpeg_writer.h"
#include "support/test_support.h"

namespace imbrino {
namespace {

constexpr ColorRef kBlueRef = 0x00FF0000;
constexpr Pixel kBlue = makePixel(0, 0, 255);
constexpr Pixel kRed = makePixel(255, 0, 0);

Surface filled(int width, int height, Pixel colour = kPixelWhite) {
  return Surface::create(width, height, colour).value();
}

Template plainMark(int width, int height, ColorRef colour, std::int16_t alpha) {
  Template mark;
  mark.background = {width, height, 0, colour, alpha, 0, 0};
  return mark;
}

// A text and a picture on a white ground, laid out at `factor` times the
// sizes below, the way a user would scale the template by hand.
Template handScaled(double factor) {
  auto at = [factor](int v) { return static_cast<std::int32_t>(v * factor); };
  Template document = plainMark(at(120), at(50), kColorRefWhite, 255);
  TextObject text;
  text.x = at(6);
  text.y = at(8);
  text.font.lfHeight = at(20);
  text.setText(utf8ToGbk("Ab 样张").value());
  text.zOrder = 1;
  document.textObjects.push_back(text);
  auto picture = std::make_shared<PictureObject>();
  picture->picture = filled(2, 2, kRed);
  picture->sourceWidth = picture->sourceHeight = 2;
  picture->x = at(80);
  picture->y = at(10);
  picture->width = picture->height = at(30);
  picture->zOrder = 2;
  document.pictureObjects.push_back(picture);
  return document;
}

Surface drawn(const Template& document) {
  Surface target = filled(document.background.width, document.background.height);
  drawTemplate(target, 0, 0, document, false, false);
  return target;
}

TEST(ScaledMark, DrawsAsTheTemplateScaledByHandAndAsItselfAtItsOwnSize) {
  const Template designed = handScaled(1);
  EXPECT_EQ(drawn(scaledTemplate(designed, 120).value()), drawn(designed));
  for (double factor : {1.5, 2.0, 0.5}) {
    const Surface scaled = drawn(scaledTemplate(designed, int(120 * factor)).value());
    const Surface byHand = drawn(handScaled(factor));
    ASSERT_EQ(scaled.bounds(), byHand.bounds()) << factor;
    EXPECT_EQ(scaled, byHand) << factor;
  }
}

// The opaque blue mark's extent along the row through the picture's middle.
int markWidthOn(const Surface& picture) {
  const Pixel* row = picture.row(picture.height() / 2);
  return static_cast<int>(std::count(row, row + picture.width(), kBlue));
}

TEST(ScaledMark, IsThePercentOfTheChosenSideWide) {
  struct Case {
    int width, height, percent;
    ScaleSide side;
    int expected;
  };
  for (const Case& c :
       {Case{400, 300, 25, ScaleSide::Width, 100}, Case{300, 400, 33, ScaleSide::Height, 132},
        Case{300, 400, 50, ScaleSide::Shorter, 150}, Case{300, 400, 10, ScaleSide::Longer, 40},
        Case{640, 480, 100, ScaleSide::Width, 640}}) {
    const Template mark = plainMark(200, 50, kBlueRef, 255);
    Surface picture = filled(c.width, c.height);
    MarkOptions options;
    options.scalePercent = c.percent;
    options.scaleSide = c.side;
    ASSERT_TRUE(MarkStamper(mark, PlacementMode::Anchor, kDefaultAnchor, options).stamp(picture));
    EXPECT_EQ(markWidthOn(picture), c.expected) << c.width << "x" << c.height << " " << c.percent;
  }
}

// Copies never overlap, so no pixel is darker than under one copy; with no
// gap they meet edge to edge and every pixel is under exactly one.
TEST(TiledMark, CoversThePictureWithoutDoublingOpacity) {
  struct Case {
    int width, height, gap, angle;
    bool everyPixelCovered;
  };
  const Pixel once = mixPixels(kPixelBlack, kPixelWhite, 128);
  for (const Case& c :
       {Case{16, 16, 0, 0, true}, Case{333, 97, 0, 0, true}, Case{200, 150, 50, 0, false},
        Case{200, 150, 20, 30, false}, Case{300, 300, 0, -90, true}}) {
    const Template mark = plainMark(20, 10, 0, 128);
    Surface picture = filled(c.width, c.height);
    MarkOptions options;
    options.tile = true;
    options.tileGapPercent = c.gap;
    options.tileAngle = c.angle;
    ASSERT_TRUE(MarkStamper(mark, PlacementMode::Anchor, {2, 2}, options).stamp(picture));
    int covered = 0;
    for (Pixel p : picture.pixels()) {
      ASSERT_GE(greenOf(p) + 1, greenOf(once)) << c.width << "x" << c.height << " " << c.angle;
      covered += greenOf(p) <= greenOf(once) + 1;
    }
    const int total = c.width * c.height;
    if (c.everyPixelCovered)
      EXPECT_EQ(covered, total) << c.width << "x" << c.height;
    else
      EXPECT_TRUE(covered > total / 10 && covered < total) << c.width << "x" << c.height;
  }
}

// A grey picture with a coarse checkerboard in every corner but `quiet`.
Surface busyBut(PlacementValues quiet) {
  Surface picture = filled(320, 240, makePixel(110, 130, 150));
  for (int corner = 0; corner < 4; ++corner) {
    const PlacementValues cell{corner % 2 * 2, corner / 2 * 2};
    if (cell == quiet) continue;
    const int left = cell.horizontal == 0 ? 0 : 200, top = cell.vertical == 0 ? 0 : 140;
    for (int y = top; y < top + 100; ++y)
      for (int x = left; x < left + 120; ++x)
        picture.setPixel(x, y, (x / 16 + y / 16) % 2 ? kPixelBlack : kPixelWhite);
  }
  return picture;
}

// In a JPEG's own blocks the corner is judged from the block means read on
// the stamp's one pass; the file written is the one the chosen corner gives,
// on the quick path (one baseline scan) and on libjpeg's (progressive).
TEST(AutomaticPlacement, TakesTheQuietCornerDecodedOrInTheJpegsBlocks) {
  const Template mark = plainMark(60, 30, kBlueRef, 255);
  MarkOptions options;
  options.autoCorner = true;
  const MarkStamper stamper(mark, PlacementMode::Anchor, kDefaultAnchor, options);
  for (PlacementValues quiet : {PlacementValues{0, 0}, {2, 0}, {0, 2}, {2, 2}}) {
    Surface picture = busyBut(quiet);
    EXPECT_EQ(stamper.stamp(picture).value().anchor, quiet);
    const MarkStamper fixed(mark, PlacementMode::Anchor, quiet, {});
    for (bool progressive : {false, true}) {
      const Bytes jpeg = test::writeLibjpegFile(picture.width(), picture.height(), 4, JCS_EXT_BGRX,
                                                test::bgrxSamples(busyBut(quiet).pixels().data()),
                                                [&](jpeg_compress_struct& info) {
                                                  if (progressive) jpeg_simple_progression(&info);
                                                });
      StampReport kept;
      const Bytes chosen = stamper.stampKeepingBlocks(jpeg, std::nullopt, &kept).value();
      EXPECT_EQ(kept.anchor, quiet) << progressive;
      EXPECT_EQ(chosen, fixed.stampKeepingBlocks(jpeg, std::nullopt).value()) << progressive;
    }
  }
  Surface flat = filled(100, 80);
  EXPECT_EQ(stamper.stamp(flat).value().anchor, (PlacementValues{2, 2}));
}

// A hand-edited settings file must not turn into a run nobody chose.
TEST(RunChoices, OutOfRangeValuesReadAsDefaults) {
  test::TempFolder folder;
  const SettingsFile settings(folder.file("SetupInfor.ini"));
  for (auto [key, value] : {std::pair{"ScalePercent", "101"},
                            {"ScaleSide", "4"},
                            {"TileGap", "-1"},
                            {"TileAngle", "91"}})
    ASSERT_TRUE(settings.writeSetting("BatchMark", key, value));
  EXPECT_EQ(readRunChoices(settings).mark, MarkOptions{});
}

}  // namespace
}  // namespace imbrino
