#include "text/text_layout.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <thread>

#include "platform/gbk.h"

namespace imbrino {
namespace {

LogFont fontOf(std::string_view face, int height, int weight = 400, bool italic = false) {
  LogFont font;
  font.setFaceNameBytes(utf8ToGbk(face).value());
  font.lfHeight = height;
  font.lfWeight = weight;
  font.lfItalic = italic ? 1 : 0;
  return font;
}

TextLayout layOut(std::string_view text, const LogFont& font) {
  auto layout = layoutText(text, font);
  EXPECT_TRUE(layout) << layout.reason();
  return layout ? std::move(*layout) : TextLayout{};
}

TEST(TextLayout, PositiveHeightIsTheExactCell) {
  for (const char* face : {"宋体", "黑体", "楷体", "微软雅黑", "Arial", "Times New Roman"}) {
    for (int height : {1, 2, 7, 12, 13, 20, 33, 100, 257}) {
      const TextLayout layout = layOut("文字 Text", fontOf(face, height));
      EXPECT_EQ(layout.extent.height, height) << face << " " << height;
      EXPECT_EQ(layout.ascent + layout.descent, height) << face << " " << height;
      EXPECT_GE(layout.descent, 0);
      // Decorations stay inside the box the editor hit-tests.
      EXPECT_GE(layout.underlineTop, 0);
      EXPECT_LE(layout.underlineTop + layout.underlineThickness, height);
      EXPECT_GE(layout.strikeOutTop, 0);
      EXPECT_LE(layout.strikeOutTop + layout.strikeOutThickness, height);
      EXPECT_GE(layout.underlineTop, layout.strikeOutTop);
    }
  }
}

TEST(TextLayout, NegativeHeightIsTheEmAndZeroTheDefault) {
  const TextLayout em20 = layOut("文", fontOf("宋体", -20));
  EXPECT_EQ(em20.emY, 20 * 64);
  EXPECT_GE(em20.extent.height, 20);
  EXPECT_EQ(em20.extent.width, 20);  // an ideograph is one em wide
  EXPECT_EQ(em20.ascent + em20.descent, em20.extent.height);

  EXPECT_EQ(layOut("x", fontOf("Arial", 0)).extent.height, kDefaultCellHeight);
}

TEST(TextLayout, AbsurdSizesAreCapped) {
  for (int height : {INT_MIN, INT_MIN + 1, -100000, 100000, INT_MAX}) {
    const TextLayout layout = layOut("文A", fontOf("宋体", height));
    EXPECT_GT(layout.extent.height, 0);
    EXPECT_LE(layout.emY, kMaxFontPixels * 64);
    EXPECT_GT(layout.extent.width, 0);
  }
  LogFont wide = fontOf("宋体", 12);
  wide.lfWidth = INT_MIN;
  EXPECT_LE(layOut("文", wide).emX, kMaxFontPixels * 64);
}

TEST(TextLayout, WidthStretchesToTheAverageCharacterWidth) {
  LogFont font = fontOf("Arial", 20);
  const TextLayout natural = layOut("abcdefghij", font);
  font.lfWidth = 16;
  const TextLayout wide = layOut("abcdefghij", font);
  font.lfWidth = -16;  // the sign does not matter
  EXPECT_EQ(layOut("abcdefghij", font).extent, wide.extent);
  EXPECT_EQ(wide.extent.height, natural.extent.height);
  EXPECT_EQ(wide.emY, natural.emY);
  EXPECT_GT(wide.extent.width, natural.extent.width * 3 / 2);

  // The Song face's average width is half an em, as on Windows: asking for
  // it leaves the glyphs as they are, an ideograph two averages wide.
  LogFont song = fontOf("宋体", -24);
  song.lfWidth = 12;
  const TextLayout songNatural = layOut("文字", song);
  EXPECT_EQ(songNatural.emX, songNatural.emY);
  EXPECT_EQ(songNatural.extent.width, 48);
}

TEST(TextLayout, BoldIsWiderAndSynthesisedWhereTheFaceHasNoBold) {
  for (const char* face : {"宋体", "Arial", "黑体"}) {
    const TextLayout regular = layOut("文字 Text", fontOf(face, 20));
    const TextLayout bold = layOut("文字 Text", fontOf(face, 20, 700));
    EXPECT_GE(bold.extent.width, regular.extent.width) << face;
    EXPECT_FALSE(regular.faces[0].syntheticBold);
  }
  EXPECT_TRUE(layOut("文", fontOf("宋体", 20, 700)).faces[0].syntheticBold);
  EXPECT_TRUE(layOut("文", fontOf("宋体", 20, 600)).faces[0].syntheticBold);
  EXPECT_FALSE(layOut("文", fontOf("宋体", 20, 599)).faces[0].syntheticBold);
  EXPECT_FALSE(layOut("A", fontOf("Arial", 20, 700)).faces[0].syntheticBold);

  // Synthetic bold widens each advance by the stroke it adds.
  const TextLayout songBold = layOut("文字", fontOf("宋体", -24, 700));
  EXPECT_EQ(songBold.boldStrength, 1);
  EXPECT_EQ(songBold.extent.width, 2 * (24 + 1));
}

TEST(TextLayout, ItalicIsSynthesisedWithoutChangingTheAdvances) {
  const TextLayout upright = layOut("文字内容", fontOf("宋体", 20));
  const TextLayout slanted = layOut("文字内容", fontOf("宋体", 20, 400, true));
  EXPECT_TRUE(slanted.faces[0].syntheticItalic);
  EXPECT_EQ(slanted.extent, upright.extent);
  EXPECT_FALSE(layOut("A", fontOf("Arial", 20, 400, true)).faces[0].syntheticItalic);
}

TEST(TextLayout, CharactersALatinFaceLacksComeFromAFallbackFace) {
  const LogFont arial = fontOf("Arial", 20);
  const TextLayout latin = layOut("AB", arial);
  const TextLayout mixed = layOut("AB文字", arial);
  ASSERT_EQ(mixed.faces.size(), 2u);
  EXPECT_EQ(mixed.faces[0].family, "Liberation Sans");
  EXPECT_EQ(mixed.faces[1].family, "AR PL UMing CN");
  ASSERT_EQ(mixed.glyphs.size(), 4u);
  EXPECT_EQ(mixed.glyphs[2].face, 1u);
  EXPECT_NE(mixed.glyphs[2].glyphIndex, 0u);  // a real ideograph, not a box
  EXPECT_EQ(mixed.glyphs[2].cluster, 2u);
  EXPECT_EQ(mixed.glyphs[3].cluster, 5u);
  // The ideographs take about an em each, at the Latin face's em; the cell
  // stays the Latin face's.
  const int em = mixed.emY / 64;
  EXPECT_GE(mixed.extent.width, latin.extent.width + 2 * (em - 1));
  EXPECT_LE(mixed.extent.width, latin.extent.width + 2 * (em + 1));
  EXPECT_EQ(mixed.extent.height, 20);
}

TEST(TextLayout, AdvancesAreWholePixelsWithoutKerning) {
  const LogFont font = fontOf("Arial", 33);
  const TextLayout pair = layOut("AV", font);
  const int a = layOut("A", font).extent.width;
  const int v = layOut("V", font).extent.width;
  EXPECT_EQ(pair.extent.width, a + v);
  ASSERT_EQ(pair.glyphs.size(), 2u);
  EXPECT_EQ(pair.glyphs[0].x, 0);
  EXPECT_EQ(pair.glyphs[1].x, a * 64);
  // No ligature either: "fi" stays two glyphs.
  EXPECT_EQ(layOut("fi", font).glyphs.size(), 2u);
}

TEST(TextLayout, EmptyAndDamagedText) {
  const TextLayout empty = layOut("", fontOf("宋体", 12));
  EXPECT_EQ(empty.extent, (TextExtent{0, 12}));
  EXPECT_TRUE(empty.glyphs.empty());

  // Stray bytes are laid out as replacement characters, never read past.
  const std::string damaged = "A\xE6\x96\x87\xE6\x96\xC0\xFF\xF4\x90\x80\x80\xE6";
  const TextLayout layout = layOut(damaged, fontOf("宋体", 12));
  EXPECT_GT(layout.extent.width, 0);
  for (const LayoutGlyph& g : layout.glyphs) EXPECT_LT(g.cluster, damaged.size());
}

TEST(TextLayout, GlyphsLandInsideTheMeasuredBox) {
  for (int height : {12, 33, 100}) {
    for (int weight : {400, 700}) {
      const TextLayout layout = layOut("文字内容", fontOf("宋体", height, weight));
      int inked = 0;
      int lowest = 0;
      for (const LayoutGlyph& glyph : layout.glyphs) {
        auto mask = rasterizeGlyph(layout, glyph);
        ASSERT_TRUE(mask) << mask.reason();
        for (int y = 0; y < mask->height; ++y) {
          for (int x = 0; x < mask->width; ++x) {
            if (mask->coverage[static_cast<std::size_t>(y * mask->width + x)] < 32) continue;
            ++inked;
            lowest = std::max(lowest, mask->y + y);
            EXPECT_GE(mask->x + x, 0);
            EXPECT_LT(mask->x + x, layout.extent.width);
            EXPECT_GE(mask->y + y, 0);
            EXPECT_LT(mask->y + y, layout.extent.height);
          }
        }
      }
      EXPECT_GT(inked, height * 4) << height;
      // The ideographs sit on the baseline, reaching a little below it.
      EXPECT_GE(lowest, layout.ascent - 1) << height;
    }
  }
}

TEST(TextLayout, GlyphsAreDrawnOnlyOnTheirOwnThread) {
  const TextLayout layout = layOut("文", fontOf("宋体", 20));
  ASSERT_FALSE(layout.glyphs.empty());
  bool refused = false;
  std::thread([&] { refused = !rasterizeGlyph(layout, layout.glyphs[0]); }).join();
  EXPECT_TRUE(refused);

  LayoutGlyph stray = layout.glyphs[0];
  stray.face = 7;
  EXPECT_FALSE(rasterizeGlyph(layout, stray));

  const TextLayout space = layOut(" ", fontOf("宋体", 20));
  auto blank = rasterizeGlyph(space, space.glyphs.at(0));
  ASSERT_TRUE(blank) << blank.reason();
  EXPECT_TRUE(blank->coverage.empty());
}

}  // namespace
}  // namespace imbrino
