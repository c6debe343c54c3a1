#include "session/picture_state.h"

#include <gtest/gtest.h>

#include "session/scroll_axis.h"
#include "image/image_io.h"
#include "support/test_support.h"

namespace imbrino {
namespace {

TemplateBackground backgroundOf(int width, int height) {
  TemplateBackground b;
  b.width = width;
  b.height = height;
  return b;
}

TEST(PictureState, OpensCentresAndReportsWhyItCouldNot) {
  test::TempFolder folder;
  const std::string path = folder.file("p.png");
  ASSERT_TRUE(saveBitmapByExtension(test::makeTestPicture(101, 60), path));

  PictureState picture;
  ASSERT_EQ(picture.openPictureFile(path, backgroundOf(250, 250)), OpenPictureResult::Opened);
  EXPECT_TRUE(picture.pictureOpen());
  EXPECT_EQ(picture.picturePath(), path);
  // (101 - 250) / 2 and (60 - 250) / 2, truncated toward zero.
  EXPECT_EQ(picture.templateX(), -74);
  EXPECT_EQ(picture.templateY(), -95);

  EXPECT_EQ(picture.openPictureFile(folder.file("none.png"), backgroundOf(1, 1)),
            OpenPictureResult::SizeUnreadable);
  EXPECT_TRUE(picture.pictureOpen());  // nothing was released yet

  picture.releasePicture();
  EXPECT_FALSE(picture.pictureOpen());
  EXPECT_EQ(picture.pictureWidth(), 0);
  EXPECT_TRUE(picture.originalSurface().empty());
}

TEST(PictureState, StampingNeverDrawsOverTheOriginal) {
  PictureState picture;
  ASSERT_TRUE(picture.newPicture(40, 30, 0x000000FF, backgroundOf(10, 10)));
  EXPECT_EQ(picture.originalSurface().pixel(0, 0), makePixel(255, 0, 0));
  Template document;
  document.background = backgroundOf(10, 10);
  document.background.colour = 0x00FF0000;  // blue
  picture.stamp(document, false);
  EXPECT_EQ(picture.compositeSurface().pixel(15, 10), makePixel(0, 0, 255));
  picture.moveTemplateBy(-15, -10);
  picture.stamp(document, false);
  EXPECT_EQ(picture.compositeSurface().pixel(15, 10), makePixel(255, 0, 0));
  EXPECT_EQ(picture.originalSurface().pixel(15, 10), makePixel(255, 0, 0));
}

TEST(PictureState, HitTestIncludesBothEndsAndReleaseOnePastTheEdgeStillMoves) {
  PictureState picture;
  ASSERT_TRUE(picture.newPicture(100, 80, kColorRefWhite, backgroundOf(20, 10)));
  const TemplateBackground templ = backgroundOf(20, 10);
  ASSERT_EQ(picture.templateX(), 40);
  ASSERT_EQ(picture.templateY(), 35);
  EXPECT_TRUE(picture.templateContains({40, 35}, templ));
  EXPECT_TRUE(picture.templateContains({60, 45}, templ));
  EXPECT_FALSE(picture.templateContains({61, 45}, templ));
  EXPECT_FALSE(picture.templateContains({39, 40}, templ));

  TemplateDrag drag;
  drag.press({50, 40}, true);
  drag.move({70, 60}, true);
  EXPECT_EQ(drag.outlineOrigin(picture), (PicturePoint{60, 55}));
  // Releasing one past the last column and row is still on the picture.
  const auto moved = drag.release({100, 80}, picture);
  ASSERT_TRUE(moved.has_value());
  EXPECT_EQ(*moved, (PicturePoint{50, 40}));
  EXPECT_FALSE(drag.dragging());
}

TEST(PictureState, DragsAreCancelledOutsideTheTemplateOrThePicture) {
  PictureState picture;
  ASSERT_TRUE(picture.newPicture(100, 80, kColorRefWhite, backgroundOf(20, 10)));
  TemplateDrag drag;
  drag.press({0, 0}, false);
  EXPECT_FALSE(drag.dragging());
  EXPECT_EQ(drag.release({10, 10}, picture), std::nullopt);

  drag.press({50, 40}, true);
  EXPECT_EQ(drag.release({101, 40}, picture), std::nullopt);  // beyond the right edge
  drag.press({50, 40}, true);
  EXPECT_EQ(drag.release({50, -1}, picture), std::nullopt);

  // A move with nothing held means the release was missed: the drag ends.
  drag.press({50, 40}, true);
  drag.move({55, 45}, false);
  EXPECT_FALSE(drag.dragging());
  EXPECT_EQ(drag.release({55, 45}, picture), std::nullopt);
}

TEST(ScrollAxis, OnePixelStepsThumbTrackingAndTheResetOnResize) {
  ScrollAxis axis;
  axis.setUp(500, 800);
  EXPECT_FALSE(axis.enabled());
  EXPECT_EQ(axis.offset(500, 800), 0);

  axis.setUp(1000, 800);
  EXPECT_TRUE(axis.enabled());
  EXPECT_EQ(axis.maximum(), 200);
  EXPECT_FALSE(axis.lineBack());
  EXPECT_TRUE(axis.lineForward());
  EXPECT_EQ(axis.position(), 1);
  EXPECT_TRUE(axis.track(200));
  EXPECT_FALSE(axis.lineForward());
  EXPECT_EQ(axis.offset(1000, 800), 200);

  // Shrinking the picture's overhang below the position sends it to 0, not
  // to the new maximum; a position still in range is kept.
  axis.resize(1000, 850);
  EXPECT_EQ(axis.maximum(), 150);
  EXPECT_EQ(axis.position(), 0);
  axis.track(100);
  axis.resize(1000, 880);
  EXPECT_EQ(axis.position(), 100);
  axis.resize(1000, 1200);
  EXPECT_FALSE(axis.enabled());
  EXPECT_EQ(axis.position(), 0);
}

}  // namespace
}  // namespace imbrino
