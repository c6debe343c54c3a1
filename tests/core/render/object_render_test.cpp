#include "render/object_render.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <fstream>

#include "platform/gbk.h"
#include "support/test_support.h"
#include "text/text_layout.h"

namespace imbrino {
namespace {

constexpr Pixel kGrey = makePixel(100, 100, 100);

Surface filled(int width, int height, Pixel colour) {
  return Surface::create(width, height, colour).value();
}

int countDifferences(const Surface& a, const Surface& b) {
  int n = 0;
  for (std::size_t i = 0; i < a.pixels().size(); ++i) n += a.pixels()[i] != b.pixels()[i];
  return n;
}

TextObject textAt(int x, int y) {
  TextObject text;
  text.x = x;
  text.y = y;
  text.font.lfHeight = 20;
  text.backColour = 0x0000FFFF;  // yellow
  text.textColour = 0x00800000;  // navy
  return text;
}

TEST(ObjectRender, TextWithFieldsDrawsAsTheExpandedTextTyped) {
  // The box is measured on what is drawn, so the box grows with the name.
  PictureFields fields;
  fields.name = "假期";
  fields.index = 7;
  TextObject withFields = textAt(4, 3);
  withFields.setText(*utf8ToGbk("{序号:3} {name} {{x}}"));
  TextObject typed = textAt(4, 3);
  typed.setText(*utf8ToGbk("007 假期 {x}"));
  Surface expanded = filled(220, 40, kGrey), expected = filled(220, 40, kGrey);
  Painter onExpanded(expanded), onExpected(expected);
  EXPECT_EQ(drawTextObject(onExpanded, withFields, &fields), drawTextObject(onExpected, typed));
  EXPECT_EQ(countDifferences(expanded, expected), 0);
}

TEST(ObjectRender, OpaqueTextBoxCoversExactlyTheMeasuredExtent) {
  Surface surface = filled(200, 60, kGrey);
  const TextObject text = textAt(10, 5);
  Painter painter(surface);
  const Rect box = drawTextObject(painter, text);
  const TextExtent extent = measureTextObject(text);
  EXPECT_EQ(box, (Rect{10, 5, extent.width, extent.height}));
  EXPECT_EQ(extent.height, 20);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) {
      const bool inside = x >= box.x && x < box.right() && y >= box.y && y < box.bottom();
      if (!inside) {
        ASSERT_EQ(surface.pixel(x, y), kGrey) << x << "," << y;
      }
    }
  const Pixel yellow = pixelFromColorRef(0x0000FFFF);
  EXPECT_EQ(surface.pixel(box.x, box.y), yellow);
  EXPECT_EQ(surface.pixel(static_cast<int>(box.right()) - 1, static_cast<int>(box.bottom()) - 1),
            yellow);
  int glyphPixels = 0;
  for (int y = box.y; y < box.bottom(); ++y)
    for (int x = box.x; x < box.right(); ++x) glyphPixels += surface.pixel(x, y) != yellow;
  EXPECT_GT(glyphPixels, 40);  // the four ideographs are there
}

TEST(ObjectRender, InvisibleOrEmptyTextChangesNothing) {
  const Surface before = test::makeTestPicture(120, 40);
  Surface surface = before;
  Painter painter(surface);
  TextObject hidden = textAt(0, 0);
  hidden.alpha = 0x0100;  // only the low byte counts: 0
  drawTextObject(painter, hidden);
  TextObject empty = textAt(3, 4);
  empty.setText("");
  const Rect box = drawTextObject(painter, empty);
  EXPECT_EQ(box.width, 0);
  EXPECT_EQ(surface, before);
}

// Underlined, struck-out text drawn where its box reaches past the 32-bit
// edge of the painter's coordinates, opaque and blended, and drawn through
// clips that cut its glyphs: every pixel is what the same text drawn at a
// small position on an unclipped painter gives there.
TEST(ObjectRender, TextLooksTheSameAtTheEdgeOfTheCoordinatesAndThroughClips) {
  for (const int alpha : {255, 200}) {
    TextObject text = textAt(4, 3);
    text.setText("Wg\xCE\xC4\xD7\xD6 x");  // "Wg文字 x": overhangs, descenders
    text.font.lfHeight = 24;
    text.font.lfUnderline = 1;
    text.font.lfStrikeOut = 1;
    text.font.lfItalic = 1;
    text.alpha = static_cast<std::int16_t>(alpha);
    const Surface ground = test::makeTestPicture(120, 40);
    Surface expected = ground;
    Painter plain(expected);
    const Rect box = drawTextObject(plain, text);
    ASSERT_GT(box.width, 60);

    // Logical (edgeX, edgeY) lies at (0, 0) of the picture; the box starts
    // so near the edge that its glyphs and lines sit past it.
    constexpr int kEdgeX = INT_MAX - 30, kEdgeY = INT_MAX - 13;
    Surface atEdge = ground;
    Painter far(atEdge, {-kEdgeX, -kEdgeY}, {kEdgeX, kEdgeY, 120, 40});
    TextObject moved = text;
    moved.x = kEdgeX + 4;
    moved.y = kEdgeY + 3;
    EXPECT_EQ(drawTextObject(far, moved), (Rect{kEdgeX + 4, kEdgeY + 3, box.width, box.height}));
    EXPECT_EQ(atEdge, expected) << "alpha " << alpha;

    for (const Rect clip : {Rect{0, 0, 12, 40}, Rect{20, 0, 9, 40}, Rect{0, 10, 120, 4},
                            Rect{30, 20, 50, 20}, Rect{box.x + box.width - 3, 0, 10, 40}}) {
      Surface clipped = ground;
      Painter through(clipped, {0, 0}, clip);
      drawTextObject(through, text);
      for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) {
          const bool inside = x >= clip.x && x < clip.right() && y >= clip.y && y < clip.bottom();
          ASSERT_EQ(clipped.pixel(x, y), inside ? expected.pixel(x, y) : ground.pixel(x, y))
              << "clip " << clip.x << "," << clip.y << " at " << x << "," << y;
        }
    }
  }
}

// With no font at all nothing is drawn, but the box returned is the box the
// editor measures, so the object can still be found and selected.
bool drawnBoxesAreMeasuredWithoutFonts(const std::string& config) {
  ::setenv("FONTCONFIG_FILE", config.c_str(), 1);
  Surface surface = filled(40, 40, kGrey);
  const Surface before = surface;
  Painter painter(surface);
  bool same = !layoutText("x", LogFont{});  // really without fonts
  for (const int height : {20, -30, 0, INT_MIN}) {
    TextObject text = textAt(5, 6);
    text.font.lfHeight = height;
    const Rect box = drawTextObject(painter, text);
    const TextExtent extent = measureTextObject(text);
    same = same && box == Rect{5, 6, extent.width, extent.height} && box.height > 0;
  }
  return same && surface == before;
}

TEST(ObjectRenderWithoutFonts, DrawnBoxIsTheMeasuredBox) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process: fonts not yet loaded
  const std::string config = ::testing::TempDir() + "imbrino-no-fonts.conf";
  std::ofstream(config) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
  EXPECT_EXIT(std::exit(drawnBoxesAreMeasuredWithoutFonts(config) ? 0 : 1),
              ::testing::ExitedWithCode(0), "");
}

TEST(ObjectRender, TransparentTextMixesOnlyGlyphPixels) {
  Surface surface = filled(120, 40, kGrey);
  TextObject text = textAt(2, 2);
  text.transparentBack = 1;
  text.textColour = 0x00FFFFFF;
  text.alpha = 128;
  Painter painter(surface);
  const Rect box = drawTextObject(painter, text);
  int touched = 0;
  for (int y = box.y; y < box.bottom(); ++y)
    for (int x = box.x; x < box.right(); ++x) {
      const Pixel p = surface.pixel(x, y);
      if (p == kGrey) continue;
      ++touched;
      // At most half way to white: 100 + 155 / 2.
      EXPECT_LE(redOf(p), 178);
      EXPECT_GT(redOf(p), 100);
    }
  EXPECT_GT(touched, 20);
  EXPECT_LT(touched, box.width * box.height / 2);
}

TEST(ObjectRender, KeyedPictureShowsLowerLayersAndStretchesWithoutSmoothing) {
  PictureObject picture;
  picture.picture = test::makeTestPicture(4, 4);
  picture.picture.setPixel(1, 1, makePixel(255, 0, 255));
  picture.sourceWidth = picture.sourceHeight = 4;
  picture.width = picture.height = 8;
  picture.x = picture.y = 1;
  picture.transparent = 1;
  Surface surface = filled(10, 10, kGrey);
  Painter painter(surface);
  EXPECT_EQ(drawPictureObject(painter, picture), (Rect{1, 1, 8, 8}));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const Pixel source = picture.picture.pixel(x / 2, y / 2);
      const Pixel expected = source == makePixel(255, 0, 255) ? kGrey : source;
      EXPECT_EQ(surface.pixel(x + 1, y + 1), expected) << x << "," << y;
    }
  EXPECT_EQ(surface.pixel(0, 0), kGrey);
  EXPECT_EQ(surface.pixel(9, 9), kGrey);
}

TEST(ObjectRender, HalfTransparentPictureBlendsAndClipsAtNegativePositions) {
  PictureObject picture;
  picture.picture = filled(4, 4, kPixelWhite);
  picture.sourceWidth = picture.sourceHeight = 4;
  picture.width = picture.height = 4;
  picture.x = picture.y = -2;
  picture.alpha = 51;  // a fifth
  Surface surface = filled(4, 4, kPixelBlack);
  Painter painter(surface);
  drawPictureObject(painter, picture);
  EXPECT_EQ(surface.pixel(0, 0), makePixel(51, 51, 51));
  EXPECT_EQ(surface.pixel(1, 1), makePixel(51, 51, 51));
  EXPECT_EQ(surface.pixel(2, 2), kPixelBlack);
}

TEST(ObjectRender, HandlesSitAroundTheBox) {
  Surface surface = filled(40, 40, kPixelWhite);
  Painter painter(surface);
  drawSelectionHandles(painter, {10, 10, 20, 20});
  for (int top : {6, 18, 30})
    for (int left : {6, 18, 30}) {
      const bool centre = top == 18 && left == 18;
      for (int y = top; y < top + 4; ++y)
        for (int x = left; x < left + 4; ++x)
          EXPECT_EQ(surface.pixel(x, y), centre ? kPixelWhite : kPixelBlack) << x << "," << y;
    }
  int black = 0;
  for (Pixel p : surface.pixels()) black += p == kPixelBlack;
  EXPECT_EQ(black, 8 * 16);
}

TEST(ObjectRender, BackgroundPaintsAtItsOpacityOrNotAtAll) {
  TemplateBackground background;
  background.width = 3;
  background.height = 2;
  background.colour = 0x000000FF;
  Surface surface = filled(4, 4, kPixelBlack);
  Painter painter(surface);
  paintBackground(painter, background);
  EXPECT_EQ(surface.pixel(2, 1), makePixel(255, 0, 0));
  EXPECT_EQ(surface.pixel(3, 1), kPixelBlack);
  EXPECT_EQ(surface.pixel(0, 2), kPixelBlack);

  Surface again = filled(4, 4, kPixelBlack);
  Painter second(again);
  background.alpha = 0x7F00 | 0x80;  // low byte 128
  paintBackground(second, background);
  EXPECT_EQ(again.pixel(0, 0), makePixel(128, 0, 0));
  background.transparent = 1;
  const Surface before = again;
  paintBackground(second, background);
  EXPECT_EQ(countDifferences(again, before), 0);
}

}  // namespace
}  // namespace imbrino
