#include <gtest/gtest.h>

#include <climits>

#include "editing/template_editing.h"

namespace imbrino {
namespace {

PictureObject pictureAt(Rect box, int level = 1) {
  PictureObject picture;
  picture.x = box.x;
  picture.y = box.y;
  picture.width = box.width;
  picture.height = box.height;
  picture.zOrder = level;
  return picture;
}

TEST(EditorHitTests, PictureHandlesCoverTheirSquaresInclusively) {
  struct Case {
    Rect box;
    Point point;
    int handle;
  };
  // Box 100 x 60 at (10, 20): the middle handles start at hx = 58, hy = 48.
  const Rect b{10, 20, 100, 60};
  // clang-format off
  const Case cases[] = {
      {b, {6, 16}, 1},   {b, {10, 20}, 1},  {b, {58, 16}, 2},   {b, {62, 20}, 2},
      {b, {110, 16}, 3}, {b, {114, 20}, 3}, {b, {6, 48}, 4},    {b, {10, 52}, 4},
      {b, {110, 48}, 5}, {b, {114, 52}, 5}, {b, {6, 80}, 6},    {b, {10, 84}, 6},
      {b, {58, 80}, 7},  {b, {62, 84}, 7},  {b, {110, 80}, 8},  {b, {114, 84}, 8},
      // A pixel beyond a square, and the box's middle.
      {b, {5, 16}, -1},  {b, {6, 15}, -1},  {b, {115, 84}, -1}, {b, {57, 16}, -1},
      {b, {63, 16}, -1}, {b, {110, 47}, -1}, {b, {60, 50}, -1},
      // Odd sizes: (9 - 4) / 2 = 2; (1 - 4) / 2 truncates to -1, so x = 3 is
      // handle 2 (flooring to -2 would make it handle 3).
      {{0, 0, 9, 9}, {2, -4}, 2}, {{0, 0, 9, 9}, {1, -4}, -1}, {{0, 0, 9, 9}, {6, 9}, 7},
      {{0, 0, 1, 1}, {3, -2}, 2}, {{0, 0, 1, 1}, {6, -2}, -1},
      {{0, 0, 1, 1}, {1, 1}, 5},  // overlapping squares: the first in order wins
      // Negative positions: hx = -50 + (20 - 4) / 2 = -42.
      {{-50, -30, 20, 10}, {-42, -34}, 2}, {{-50, -30, 20, 10}, {-43, -34}, -1},
      {{-50, -30, 20, 10}, {-54, -34}, 1}, {{-50, -30, 20, 10}, {-26, -16}, 8},
      // The ends of the 32-bit range.
      {{INT_MAX - 2, INT_MAX - 2, INT_MAX, INT_MAX}, {INT_MAX - 2, INT_MAX - 2}, 1},
      {{INT_MAX - 2, INT_MAX - 2, INT_MAX, INT_MAX}, {INT_MAX, INT_MAX}, -1},
      {{INT_MIN, INT_MIN, INT_MIN, INT_MIN}, {INT_MIN, INT_MIN}, 1},
  };
  // clang-format on
  for (const Case& c : cases)
    EXPECT_EQ(hitPictureHandle(pictureAt(c.box), c.point), c.handle)
        << c.box.x << "," << c.box.y << " " << c.box.width << "x" << c.box.height << " at "
        << c.point.x << "," << c.point.y;

  const EditorCursor cursors[] = {EditorCursor::SizeNwSe,       EditorCursor::SizeNorthSouth,
                                  EditorCursor::SizeNeSw,       EditorCursor::SizeWestEast,
                                  EditorCursor::SizeWestEast,   EditorCursor::SizeNeSw,
                                  EditorCursor::SizeNorthSouth, EditorCursor::SizeNwSe};
  for (int handle = 1; handle <= 8; ++handle)
    EXPECT_EQ(handleCursor(handle), cursors[handle - 1]) << handle;
}

TEST(EditorHitTests, BackgroundGripsRightEdgeFirstThenBottomThenCorner) {
  TemplateBackground background;
  background.width = 200;
  background.height = 100;
  struct Case {
    Point point;
    int grip;
  };
  // clang-format off
  const Case cases[] = {
      {{196, 0}, 5}, {{204, 50}, 5}, {{200, 100}, 5}, {{204, 100}, 5},  // py <= H: right edge
      {{0, 96}, 7}, {{100, 104}, 7}, {{200, 104}, 7},                    // px <= W: bottom edge
      {{201, 101}, 8}, {{204, 104}, 8},
      {{195, 50}, -1}, {{205, 50}, -1}, {{204, -1}, -1}, {{-1, 100}, -1}, {{100, 95}, -1},
      {{100, 105}, -1}, {{205, 104}, -1}, {{204, 105}, -1},
  };
  // clang-format on
  for (const Case& c : cases)
    EXPECT_EQ(hitBackgroundGrip(background, c.point), c.grip) << c.point.x << "," << c.point.y;
  background.width = INT_MAX;
  background.height = INT_MIN;
  EXPECT_EQ(hitBackgroundGrip(background, {INT_MAX, 0}), -1);
}

TEST(EditorHitTests, TopmostLevelWinsAndTextBeforePictureOnOneLevel) {
  Template document;
  TextObject text;
  text.x = 10;
  text.y = 10;
  text.zOrder = 2;
  document.textObjects.push_back(text);
  EXPECT_EQ(objectBox(text).height, 12);
  document.pictureObjects.push_back(std::make_unique<PictureObject>(pictureAt({0, 0, 100, 100})));
  document.pictureObjects.push_back(
      std::make_unique<PictureObject>(pictureAt({50, 50, 100, 100}, 3)));

  using Kind = ObjectRef::Kind;
  EXPECT_EQ(hitObjectAt(document, {12, 12}), (ObjectRef{Kind::Text, 0}));
  EXPECT_EQ(hitObjectAt(document, {60, 60}), (ObjectRef{Kind::Picture, 1}));
  EXPECT_EQ(hitObjectAt(document, {100, 0}), (ObjectRef{Kind::Picture, 0}));  // on the edge
  EXPECT_EQ(hitObjectAt(document, {151, 60}), std::nullopt);

  // A text and a picture on one level (a damaged file): the text; two
  // pictures on one level: the first in the list.
  *document.pictureObjects[1] = pictureAt({0, 0, 100, 100}, 2);
  EXPECT_EQ(hitObjectAt(document, {12, 12}), (ObjectRef{Kind::Text, 0}));
  document.pictureObjects[0]->zOrder = 2;
  EXPECT_EQ(hitObjectAt(document, {90, 90}), (ObjectRef{Kind::Picture, 0}));

  // A level far up is searched first (and at once); level 0 is never hit.
  document.pictureObjects[1]->zOrder = 2'000'000'000;
  EXPECT_EQ(hitObjectAt(document, {12, 12}), (ObjectRef{Kind::Picture, 1}));
  document.pictureObjects[1]->zOrder = document.pictureObjects[0]->zOrder = 0;
  EXPECT_EQ(hitObjectAt(document, {90, 90}), std::nullopt);
  document.textObjects[0].zOrder = 0;
  EXPECT_EQ(hitObjectAt(document, {12, 12}), std::nullopt);
}

TEST(EditorHitTests, ResizedBoxesStopAtTheEndsOfTheirRange) {
  EXPECT_EQ(resizedPictureBox(pictureAt({INT_MAX, INT_MAX, INT_MAX, INT_MAX}), 8, INT_MIN, INT_MIN),
            (Rect{INT_MAX, INT_MAX, 1, 1}));
  EXPECT_EQ(resizedPictureBox(pictureAt({INT_MIN, 0, 10, 10}), 4, -100, 0),
            (Rect{INT_MIN, 0, 110, 10}));
}

}  // namespace
}  // namespace imbrino
