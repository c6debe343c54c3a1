#include "template/template_document.h"

#include <gtest/gtest.h>

#include <limits>

#include "image/codecs.h"
#include "support/test_support.h"

namespace imbrino {
namespace {

TextObject textOnLevel(int level, bool selected) {
  TextObject text;
  text.zOrder = level;
  text.selected = selected ? 1 : 0;
  return text;
}

std::unique_ptr<PictureObject> pictureOnLevel(int level, bool selected) {
  auto picture = std::make_unique<PictureObject>();
  picture->zOrder = level;
  picture->selected = selected ? 1 : 0;
  return picture;
}

TEST(TemplateDocument, NewObjectsCarryTheDefaults) {
  Template document;
  document.background.width = 7;
  document.background.textCount = 3;
  initDefaultBackground(document.background);
  EXPECT_EQ(document.background.width, 250);
  EXPECT_EQ(document.background.height, 250);
  EXPECT_EQ(document.background.colour, 0x00FFFFFFu);
  EXPECT_EQ(document.background.alpha, 255);
  EXPECT_EQ(document.background.textCount, 0);

  TextObject text;
  EXPECT_EQ(text.textBytes(), kDefaultTextGbk);
  EXPECT_EQ(text.font.faceNameBytes(), "\xCB\xCE\xCC\xE5");
  EXPECT_EQ(text.font.lfHeight, 12);
  EXPECT_EQ(text.font.lfWeight, 400);
  EXPECT_EQ(text.font.lfCharSet, 1);
  EXPECT_EQ(text.selected, 1);
  EXPECT_EQ(text.alpha, 255);

  PictureObject picture;
  EXPECT_EQ(picture.transparentColour, 0x00FF00FFu);
  EXPECT_EQ(picture.selected, 1);
}

TEST(TemplateDocument, TextIsCutAt259BytesAndTerminated) {
  TextObject text;
  text.setText(std::string(400, 'a'));
  EXPECT_EQ(text.textBytes().size(), 259u);
  EXPECT_EQ(text.text[259], '\0');
  text.setText("");
  EXPECT_TRUE(text.textBytes().empty());
}

TEST(TemplateDocument, AddedTextIsCentredOnItsMeasuredExtentAndStacksOnTop) {
  Template document;
  ASSERT_TRUE(addTextObject(document));
  ASSERT_TRUE(addTextObject(document));
  const TextExtent extent = measureText(kDefaultTextGbk, LogFont{});
  EXPECT_EQ(extent.height, 12);
  const TextObject& text = document.textObjects[0];
  EXPECT_EQ(text.x, (250 - extent.width) / 2);
  EXPECT_EQ(text.y, (250 - extent.height) / 2);
  EXPECT_EQ(document.textObjects[0].zOrder, 1);
  EXPECT_EQ(document.textObjects[1].zOrder, 2);

  // A background smaller than the text puts it at a negative position.
  document.background.width = 10;
  document.background.height = 5;
  ASSERT_TRUE(addTextObject(document));
  EXPECT_EQ(document.textObjects[2].x, (10 - extent.width) / 2);
  EXPECT_LT(document.textObjects[2].y, 0);
  EXPECT_EQ(document.textObjects[2].y, (5 - 12) / 2);

  // A damaged file's background at the end of the 32-bit range.
  document.background.width = std::numeric_limits<std::int32_t>::min();
  ASSERT_TRUE(addTextObject(document));
  EXPECT_EQ(document.textObjects[3].x,
            (std::int64_t{std::numeric_limits<std::int32_t>::min()} - extent.width) / 2);
}

TEST(TemplateDocument, SelectionOperations) {
  Template document;
  document.textObjects.push_back(textOnLevel(1, true));
  document.textObjects.push_back(textOnLevel(2, false));
  document.textObjects.back().selected = 2;  // any non-zero byte a file may hold
  document.pictureObjects.push_back(pictureOnLevel(3, false));
  EXPECT_EQ(countSelected(document), 2);

  invertSelection(document);
  EXPECT_EQ(document.textObjects[0].selected, 0);
  EXPECT_EQ(document.textObjects[1].selected, 0);
  EXPECT_EQ(document.pictureObjects[0]->selected, 1);
  EXPECT_EQ(countSelected(document), 1);

  setAllSelected(document, 1);
  EXPECT_EQ(countSelected(document), 3);
  setAllSelected(document, 0);
  EXPECT_EQ(countSelected(document), 0);
}

TEST(TemplateDocument, EmptyTemplateHasNoLevelsAndNothingMoves) {
  Template document;
  EXPECT_EQ(topZOrder(document), 0);
  EXPECT_EQ(countSelected(document), 0);
  bringForward(document);
  sendBackward(document);
  closeZOrderGap(document, 1);
  EXPECT_EQ(document.objectCount(), 0);
}

TEST(TemplateDocument, TopLevelCountsGapsAndDuplicates) {
  Template document;
  document.textObjects.push_back(textOnLevel(1, false));
  document.pictureObjects.push_back(pictureOnLevel(7, false));
  EXPECT_EQ(topZOrder(document), 7);
  document.pictureObjects[0]->zOrder = 1;  // a duplicate level: the count wins
  EXPECT_EQ(topZOrder(document), 2);
}

TEST(TemplateDocument, SelectedNeighboursVisitedInListOrderExchangeBack) {
  // Text A (1, selected), text B (2, selected), picture C (3): A moves up
  // past B, then B moves up past A again: the stack ends where it started.
  Template document;
  document.textObjects.push_back(textOnLevel(1, true));
  document.textObjects.push_back(textOnLevel(2, true));
  document.pictureObjects.push_back(pictureOnLevel(3, false));
  bringForward(document);
  EXPECT_EQ(document.textObjects[0].zOrder, 1);
  EXPECT_EQ(document.textObjects[1].zOrder, 2);
  EXPECT_EQ(document.pictureObjects[0]->zOrder, 3);
}

TEST(TemplateDocument, BringForwardAndSendBackwardExchangeAcrossLists) {
  Template document;
  document.textObjects.push_back(textOnLevel(1, false));
  document.pictureObjects.push_back(pictureOnLevel(2, true));
  document.textObjects.push_back(textOnLevel(3, false));

  bringForward(document);
  EXPECT_EQ(document.pictureObjects[0]->zOrder, 3);
  EXPECT_EQ(document.textObjects[1].zOrder, 2);
  bringForward(document);  // already on top: nothing moves
  EXPECT_EQ(document.pictureObjects[0]->zOrder, 3);

  sendBackward(document);
  sendBackward(document);
  EXPECT_EQ(document.pictureObjects[0]->zOrder, 1);
  EXPECT_EQ(document.textObjects[0].zOrder, 2);
  EXPECT_EQ(document.textObjects[1].zOrder, 3);
  sendBackward(document);  // already at the bottom
  EXPECT_EQ(document.pictureObjects[0]->zOrder, 1);
}

TEST(TemplateDocument, PictureMovingOntoADuplicatedLevelStaysThere) {
  // Level 2 is held by a text and a picture. The selected picture on 1 first
  // exchanges with the text, then finds itself among the pictures on 2 — and
  // stays on 2, while the other picture on 2 goes down to 1.
  Template document;
  document.textObjects.push_back(textOnLevel(2, false));
  document.pictureObjects.push_back(pictureOnLevel(1, true));
  document.pictureObjects.push_back(pictureOnLevel(2, false));
  bringForward(document);
  EXPECT_EQ(document.textObjects[0].zOrder, 1);
  EXPECT_EQ(document.pictureObjects[0]->zOrder, 2);
  EXPECT_EQ(document.pictureObjects[1]->zOrder, 2);
}

TEST(TemplateDocument, ClosingAGapRenumbersTheLevelsAbove) {
  Template document;
  document.textObjects.push_back(textOnLevel(1, false));
  document.pictureObjects.push_back(pictureOnLevel(4, false));
  document.textObjects.push_back(textOnLevel(3, false));
  closeZOrderGap(document, 2);  // the object on level 2 of 4 was deleted
  EXPECT_EQ(document.textObjects[0].zOrder, 1);
  EXPECT_EQ(document.textObjects[1].zOrder, 2);
  EXPECT_EQ(document.pictureObjects[0]->zOrder, 3);
}

TEST(TemplateDocument, AddedPictureIsEmbeddedCentredAndOnTop) {
  test::TempFolder folder;
  const std::string path = folder.file("logo.BMP");
  const Bytes file = encodeBmp(test::makeTestPicture(300, 20)).value();
  test::writeBytes(path, file);

  Template document;
  ASSERT_TRUE(addTextObject(document));
  ASSERT_TRUE(addPictureObject(path, document));
  const PictureObject& picture = *document.pictureObjects.at(0);
  EXPECT_EQ(picture.data, file);
  EXPECT_EQ(picture.dataSize, file.size());
  EXPECT_EQ(picture.imageType, 0u);
  EXPECT_EQ(picture.sourceWidth, 300);
  EXPECT_EQ(picture.width, 300);
  EXPECT_EQ(picture.height, 20);
  EXPECT_EQ(picture.x, -25);  // wider than the background
  EXPECT_EQ(picture.y, 115);
  EXPECT_EQ(picture.zOrder, 2);
  EXPECT_EQ(picture.picture, test::makeTestPicture(300, 20));
}

TEST(TemplateDocument, FailedPictureLeavesTheTemplateUnchanged) {
  test::TempFolder folder;
  const std::string path = folder.file("broken.png");
  test::writeBytes(path, Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
  Template document;
  EXPECT_FALSE(addPictureObject(path, document));
  EXPECT_FALSE(addPictureObject(folder.file("missing.bmp"), document));
  EXPECT_TRUE(document.pictureObjects.empty());
}

}  // namespace
}  // namespace imbrino
