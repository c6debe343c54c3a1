#include "render/template_compose.h"

#include <gtest/gtest.h>

#include <chrono>

#include "core/image/exif_block.h"
#include "render/object_render.h"
#include "support/test_support.h"
#include "template/template_file.h"

namespace imbrino {
namespace {

constexpr Pixel kGrey = makePixel(100, 100, 100);
constexpr Pixel kRed = makePixel(255, 0, 0);
constexpr Pixel kGreen = makePixel(0, 255, 0);

Surface filled(int width, int height, Pixel colour) {
  return Surface::create(width, height, colour).value();
}

std::unique_ptr<PictureObject> solidPicture(Pixel colour, Rect box, int level) {
  auto picture = std::make_unique<PictureObject>();
  picture->picture = filled(2, 2, colour);
  picture->sourceWidth = picture->sourceHeight = 2;
  picture->x = box.x;
  picture->y = box.y;
  picture->width = box.width;
  picture->height = box.height;
  picture->zOrder = level;
  picture->selected = 0;
  return picture;
}

Rect changedArea(const Surface& before, const Surface& after) {
  int left = after.width(), top = after.height(), right = -1, bottom = -1;
  for (int y = 0; y < after.height(); ++y)
    for (int x = 0; x < after.width(); ++x)
      if (before.pixel(x, y) != after.pixel(x, y)) {
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x);
        bottom = std::max(bottom, y);
      }
  return right < 0 ? Rect{} : Rect{left, top, right - left + 1, bottom - top + 1};
}

TEST(DrawTemplate, EmptyOpaqueTemplateTurnsExactlyItsRectangleWhite) {
  Template document;
  document.background.width = 30;
  document.background.height = 20;
  Surface target = filled(60, 60, kGrey);
  const Surface before = target;
  drawTemplate(target, 10, 10, document, false, false);
  EXPECT_EQ(changedArea(before, target), (Rect{10, 10, 30, 20}));
  EXPECT_EQ(target.pixel(39, 29), kPixelWhite);

  document.background.transparent = 1;
  Surface untouched = before;
  drawTemplate(untouched, 10, 10, document, false, false);
  EXPECT_EQ(untouched, before);
}

TEST(DrawTemplate, FirstObjectsOfALevelOnlyTextBeforePicture) {
  Template document;
  document.background.transparent = 1;
  TextObject text;
  text.zOrder = 1;
  text.selected = 0;
  document.textObjects.push_back(text);
  TextObject second = text;  // same level, later in the list: never drawn
  second.x = 100;
  document.textObjects.push_back(second);
  // The picture on level 1 covers the text; the second picture there is not drawn.
  document.pictureObjects.push_back(solidPicture(kRed, {0, 0, 80, 30}, 1));
  document.pictureObjects.push_back(solidPicture(kGreen, {0, 0, 250, 250}, 1));
  Surface target = filled(250, 250, kGrey);
  drawTemplate(target, 0, 0, document, false, false);
  EXPECT_EQ(target.pixel(0, 0), kRed);
  EXPECT_EQ(target.pixel(79, 29), kRed);
  EXPECT_EQ(target.pixel(120, 5), kGrey);  // the second text is not drawn
  EXPECT_EQ(target.pixel(200, 200), kGrey);
}

TEST(DrawTemplate, GapsAreDrawnUpToTheHighestLevel) {
  Template document;
  document.background.transparent = 1;
  document.pictureObjects.push_back(solidPicture(kGreen, {0, 0, 10, 10}, 7));
  document.pictureObjects.push_back(solidPicture(kRed, {0, 0, 10, 10}, 3));
  document.pictureObjects.push_back(solidPicture(kRed, {20, 0, 10, 10}, 0));  // no level
  Surface target = filled(40, 10, kGrey);
  drawTemplate(target, 0, 0, document, false, false);
  EXPECT_EQ(target.pixel(5, 5), kGreen);
  EXPECT_EQ(target.pixel(25, 5), kGrey);

  // A file claiming the highest level there is costs no time.
  document.pictureObjects[0]->zOrder = 0x7FFFFFFF;
  const auto start = std::chrono::steady_clock::now();
  drawTemplate(target, 0, 0, document, false, false);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(DrawTemplate, TemplateLargerThanTheTargetAtNegativePosition) {
  Template document;
  document.background.width = 100;
  document.background.height = 100;
  document.background.colour = 0x000000FF;
  document.pictureObjects.push_back(solidPicture(kGreen, {45, 45, 10, 10}, 1));
  Surface target = filled(20, 20, kGrey);
  drawTemplate(target, -40, -40, document, false, false);
  EXPECT_EQ(target.pixel(0, 0), kRed);
  EXPECT_EQ(target.pixel(5, 5), kGreen);
  EXPECT_EQ(target.pixel(14, 14), kGreen);
  EXPECT_EQ(target.pixel(15, 15), kRed);
}

TEST(DrawTemplate, HandlesOfCoveredObjectsHideAndWholeFrameSitsOutside) {
  Template document;
  document.background.width = 50;
  document.background.height = 50;
  auto lower = solidPicture(kRed, {10, 10, 10, 10}, 1);
  lower->selected = 1;
  document.pictureObjects.push_back(std::move(lower));
  document.pictureObjects.push_back(solidPicture(kGreen, {0, 0, 15, 15}, 2));  // covers the top-left handle
  Surface target = filled(70, 70, kGrey);
  drawTemplate(target, 10, 10, document, true, true);
  EXPECT_EQ(target.pixel(10 + 7, 10 + 7), kGreen);   // handle 1 of the lower object is covered
  EXPECT_EQ(target.pixel(10 + 21, 10 + 21), kPixelBlack);  // handle 8 shows
  EXPECT_EQ(target.pixel(7, 7), kPixelBlack);        // whole-template handle, outside
  EXPECT_EQ(target.pixel(10 + 50 + 1, 10 + 50 + 1), kPixelBlack);

  Surface plain = filled(70, 70, kGrey);
  drawTemplate(plain, 10, 10, document, false, false);
  EXPECT_EQ(plain.pixel(10 + 21, 10 + 21), kPixelWhite);
  EXPECT_EQ(plain.pixel(7, 7), kGrey);
}

// A photo turned by its EXIF orientation, in a template made on Windows (which
// stored the size of the pixels as the file holds them) and in one made here
// (the upright size): each fills its whole box, the way its maker saw it.
TEST(DrawTemplate, TurnedPhotoFillsItsBoxWhereverTheTemplateWasMade) {
  const Surface pixels = test::makeTestPicture(16, 10);
  PictureMetadata note;
  note.exif = test::cameraExifBlock(6);
  const Bytes photo = encodeJpeg(pixels, {}, &note).value();
  const Surface stored = decodeJpeg(encodeJpeg(pixels).value()).value();
  const Surface upright = decodeJpeg(photo).value();
  test::TempFolder folder;
  test::writeBytes(folder.file("photo.jpg"), photo);

  Template windows;
  windows.background = {40, 40, 0, 0x00FF00FF, 255, 0, 0};
  windows.pictureObjects.push_back(solidPicture(kRed, {3, 4, 32, 20}, 1));
  windows.pictureObjects[0]->data = photo;
  windows.pictureObjects[0]->imageType = 1;
  windows.pictureObjects[0]->sourceWidth = 16;
  windows.pictureObjects[0]->sourceHeight = 10;
  Template here;
  here.background = windows.background;
  ASSERT_TRUE(addPictureObject(folder.file("photo.jpg"), here));
  here.pictureObjects[0]->selected = 0;

  for (Template* made : {&windows, &here}) {
    Template read;
    ASSERT_TRUE(parseTemplate(serializeTemplate(*made).value(), read));
    const PictureObject& picture = *read.pictureObjects.at(0);
    const Surface& seen = made == &windows ? stored : upright;
    Surface target = filled(40, 40, kGrey);
    drawTemplate(target, 0, 0, read, false, false);
    for (int y = 0; y < picture.height; ++y)
      for (int x = 0; x < picture.width; ++x)
        ASSERT_EQ(target.pixel(picture.x + x, picture.y + y),
                  seen.pixel(x * seen.width() / picture.width, y * seen.height() / picture.height))
            << (made == &windows ? "windows " : "here ") << x << "," << y;
  }
}

}  // namespace
}  // namespace imbrino
