#include "template/template_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>

#include <unistd.h>

#include "core/image/exif_block.h"
#include "image/codecs.h"
#include "image/exif_orientation.h"
#include "platform/byte_stream.h"
#include "support/test_support.h"

namespace imbrino {
namespace {

// A template with two texts (odd bytes in them) and pictures of three kinds.
Template sampleTemplate() {
  Template document;
  document.background = {400, 300, 1, 0x00123456, 200, 0, 0};
  TextObject first;
  first.x = -5;
  first.y = 17;
  first.transparentBack = 1;
  first.backColour = 0x000000FF;
  first.textColour = 0x00FF0000;
  first.alpha = 128;
  first.selected = 2;
  first.font.lfHeight = -20;
  first.font.lfWeight = 700;
  first.font.lfItalic = 1;
  first.font.lfQuality = 5;
  first.font.lfFaceName[10] = 'x';  // garbage after the NUL must survive
  first.zOrder = 3;
  document.textObjects.push_back(first);
  TextObject second;
  second.setText("Imbrino");
  second.text[100] = '\x7F';
  second.zOrder = 1;
  document.textObjects.push_back(second);

  auto addPicture = [&](Bytes data, std::uint32_t type, int level) {
    auto picture = std::make_unique<PictureObject>();
    picture->data = std::move(data);
    picture->imageType = type;
    picture->x = 9;
    picture->y = -3;
    picture->transparent = 1;
    picture->alpha = 77;
    picture->sourceWidth = 8;
    picture->sourceHeight = 6;
    picture->width = 16;
    picture->height = 12;
    picture->zOrder = level;
    document.pictureObjects.push_back(std::move(picture));
  };
  addPicture(encodeBmp(test::makeTestPicture(8, 6)).value(), 0, 2);
  addPicture(encodePng(test::makeTestPicture(8, 6)).value(), 4, 4);
  addPicture(encodeBmp(test::makeTestPicture(8, 6)).value(), 5, 5);  // unknown type reads as BMP
  return document;
}

TEST(TemplateFile, DefaultBackgroundIsTheTwentyEightKnownBytes) {
  Template document;
  const Bytes expected{0xFA, 0, 0, 0, 0xFA, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF,
                       0xFF, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    0};
  EXPECT_EQ(serializeTemplate(document).value(), expected);
}

TEST(TemplateFile, RecordsSitAtTheirOffsets) {
  Template document = sampleTemplate();
  const Bytes file = serializeTemplate(document).value();
  EXPECT_EQ(document.background.textCount, 2);
  EXPECT_EQ(document.background.pictureCount, 3);
  ByteReader header(ByteView(file).subspan(20));
  EXPECT_EQ(header.read<std::int32_t>(), 2);
  EXPECT_EQ(header.read<std::int32_t>(), 3);

  const ByteView text = ByteView(file).subspan(kBackgroundRecordSize, kTextRecordSize);
  EXPECT_EQ(text[8], 1);     // transparentBack
  EXPECT_EQ(text[20], 128);  // alpha
  EXPECT_EQ(text[22], 2);    // selected
  EXPECT_EQ(text[24], 0xEC);  // lfHeight -20
  EXPECT_EQ(text[40], 0xBC);  // lfWeight 700
  EXPECT_EQ(text[44], 1);     // lfItalic
  EXPECT_EQ(text[50], 5);     // lfQuality
  EXPECT_EQ(std::memcmp(&text[52], "\xCB\xCE\xCC\xE5", 5), 0);
  EXPECT_EQ(std::memcmp(&text[84], kDefaultTextGbk.data(), kDefaultTextGbk.size()), 0);
  EXPECT_EQ(text[344], 3);  // zOrder

  const std::size_t pictures = kBackgroundRecordSize + 2 * kTextRecordSize;
  ByteReader picture(ByteView(file).subspan(pictures));
  EXPECT_EQ(picture.read<std::uint32_t>(), document.pictureObjects[0]->data.size());
  EXPECT_EQ(file[pictures + 24], 0);  // imageType
  EXPECT_EQ(file[pictures + 44], 2);  // zOrder
  EXPECT_EQ(file[pictures + kPictureRecordSize], 'B');
  EXPECT_EQ(file[pictures + kPictureRecordSize + 1], 'M');
}

TEST(TemplateFile, WrittenTemplateReadsBackRecordForRecord) {
  test::TempFolder folder;
  const std::string path = folder.file("sample.src");
  Template written = sampleTemplate();
  ASSERT_TRUE(writeTemplateFile(path, written));

  Template read;
  ASSERT_TRUE(readTemplateFile(path, read)) << readTemplateFile(path, read).reason();
  ASSERT_EQ(read.textObjects.size(), 2u);
  ASSERT_EQ(read.pictureObjects.size(), 3u);
  EXPECT_EQ(read.textObjects[0].selected, 2);
  EXPECT_EQ(read.textObjects[0].font.lfFaceName[10], 'x');
  EXPECT_EQ(read.textObjects[1].textBytes(), "Imbrino");
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(read.pictureObjects[i]->data, written.pictureObjects[i]->data);
    EXPECT_EQ(read.pictureObjects[i]->picture, test::makeTestPicture(8, 6));
    EXPECT_EQ(read.pictureObjects[i]->zOrder, written.pictureObjects[i]->zOrder);
  }
  // Writing what was read gives the same bytes.
  EXPECT_EQ(serializeTemplate(read).value(), test::readBytes(path));
}

TEST(TemplateFile, NegativeCountsMeanNoObjects) {
  ByteWriter out;
  for (std::int32_t v : {30, 40, 0, 0xFFFFFF, 255}) out.write(v);
  out.write(std::int32_t{-1});
  out.write(std::int32_t{-7});
  Template document;
  ASSERT_TRUE(parseTemplate(out.bytes(), document));
  EXPECT_EQ(document.background.width, 30);
  EXPECT_EQ(document.background.textCount, -1);
  EXPECT_EQ(document.objectCount(), 0);
}

TEST(TemplateFile, EveryTruncationIsRefused) {
  Template document = sampleTemplate();
  const Bytes file = serializeTemplate(document).value();
  for (std::size_t length = 0; length < file.size(); ++length) {
    Template read;
    EXPECT_FALSE(parseTemplate(ByteView(file).first(length), read)) << "length " << length;
  }
}

TEST(TemplateFile, ImpossibleCountsAndSizesAreRefusedAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  Template document;
  ByteWriter huge;
  for (std::int32_t v : {250, 250, 0, 0xFFFFFF, 255, 0x7FFFFFFF, 0x7FFFFFFF}) huge.write(v);
  const Status status = parseTemplate(huge.bytes(), document);
  EXPECT_FALSE(status);
  EXPECT_NE(status.reason().find("2147483647 text objects"), std::string::npos);

  ByteWriter bigPicture;
  for (std::int32_t v : {250, 250, 0, 0xFFFFFF, 255, 0, 1}) bigPicture.write(v);
  bigPicture.write(std::uint32_t{0xFFFFFFF0});  // dataSize far past the end
  bigPicture.pad(kPictureRecordSize - 4 + 100);
  EXPECT_FALSE(parseTemplate(bigPicture.bytes(), document));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(TemplateFile, UndecodablePictureFailsAfterTheTextsAreRead) {
  Template document = sampleTemplate();
  document.pictureObjects[1]->data.assign(50, 0x42);
  const Bytes file = serializeTemplate(document).value();
  Template read;
  const Status status = parseTemplate(file, read);
  EXPECT_FALSE(status);
  EXPECT_NE(status.reason().find("picture 2"), std::string::npos);
  EXPECT_EQ(read.background.width, 400);
  EXPECT_EQ(read.textObjects.size(), 2u);
  EXPECT_EQ(read.pictureObjects.size(), 1u);
}

// The picture of a JPEG with an EXIF orientation is drawn as the template's
// maker saw it, which the stored source size tells where it can.
TEST(TemplateFile, TurnedJpegIsReadTheWayItsStoredSizeWasTaken) {
  struct Case {
    int orientation;
    int width, height;              // the pixels as the file stores them
    int sourceWidth, sourceHeight;  // as the template records them
    bool asStored;                  // else upright
  };
  const Case cases[] = {
      {6, 16, 10, 16, 10, true},   // made on Windows: the stored pixels' size
      {6, 16, 10, 10, 16, false},  // made here: the upright size
      {8, 16, 10, 16, 10, true},   // the other quarter turn
      {5, 16, 10, 16, 10, true},   // both transpositions
      {7, 10, 16, 10, 16, true},
      {3, 16, 10, 16, 10, false},  // size kept by the turn: cannot tell, upright
      {6, 12, 12, 12, 12, false},  // square: cannot tell, upright
      {1, 16, 10, 10, 16, false},  // nothing recorded, nothing to undo
      {6, 16, 10, 32, 20, false},  // neither size: upright
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "orientation " << c.orientation << ", source "
                                      << c.sourceWidth << " x " << c.sourceHeight);
    const Surface pixels = test::makeTestPicture(c.width, c.height);
    PictureMetadata note;
    note.exif = test::cameraExifBlock(c.orientation);
    // The same compressed pixels without the note decode as stored.
    const Bytes file = encodeJpeg(pixels, {}, &note).value();
    const Surface stored = decodeJpeg(encodeJpeg(pixels).value()).value();
    const Surface upright = applyExifOrientation(stored, c.orientation).value();

    Template document;
    auto picture = std::make_unique<PictureObject>();
    picture->data = file;
    picture->imageType = 1;
    picture->sourceWidth = c.sourceWidth;
    picture->sourceHeight = c.sourceHeight;
    document.pictureObjects.push_back(std::move(picture));
    const Bytes written = serializeTemplate(document).value();
    Template read;
    ASSERT_TRUE(parseTemplate(written, read));
    EXPECT_EQ(read.pictureObjects.at(0)->picture, c.asStored ? stored : upright);
    EXPECT_EQ(serializeTemplate(read).value(), written);
  }
}

TEST(TemplateFile, FailedWriteKeepsTheOldFile) {
  test::TempFolder folder;
  const std::string path = folder.file("keep.src");
  Template document;
  ASSERT_TRUE(writeTemplateFile(path, document));
  const Bytes before = test::readBytes(path);
  Template other = sampleTemplate();
  EXPECT_FALSE(writeTemplateFile(folder.file("missing/keep.src"), other));
  std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_read |
                                                  std::filesystem::perms::owner_exec);
  if (::geteuid() != 0) {  // root writes anywhere
    EXPECT_FALSE(writeTemplateFile(path, other));
  }
  std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_all);
  EXPECT_EQ(test::readBytes(path), before);
  Template unreadable;
  EXPECT_FALSE(readTemplateFile(folder.file("absent.src"), unreadable));
}

}  // namespace
}  // namespace imbrino
