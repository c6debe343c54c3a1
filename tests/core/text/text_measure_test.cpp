#include "text/text_measure.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/gbk.h"
#include "text/font_resolver.h"
#include "text/text_layout.h"

namespace imbrino {
namespace {

constexpr std::string_view kContentGbk = "\xCE\xC4\xD7\xD6\xC4\xDA\xC8\xDD";  // 文字内容
constexpr std::string_view kSongGbk = "\xCB\xCE\xCC\xE5";                     // 宋体

LogFont fontOf(std::string_view utf8Face, int height, int weight = 400) {
  LogFont font;
  font.setFaceNameBytes(utf8ToGbk(utf8Face).value());
  font.lfHeight = height;
  font.lfWeight = weight;
  return font;
}

TEST(MeasureText, ChineseInTheSongFace) {
  LogFont font;
  font.setFaceNameBytes(kSongGbk);
  font.lfHeight = 12;
  auto layout = layoutText(gbkToUtf8(kContentGbk), font);
  ASSERT_TRUE(layout) << layout.reason();
  EXPECT_EQ(layout->faces.at(0).family, "AR PL UMing CN");
  ASSERT_EQ(layout->glyphs.size(), 4u);
  for (const LayoutGlyph& glyph : layout->glyphs) {
    EXPECT_EQ(glyph.face, 0u);
    EXPECT_NE(glyph.glyphIndex, 0u);
  }

  const TextExtent extent = measureText(kContentGbk, font);
  EXPECT_EQ(extent.height, 12);
  // Four ideographs of the same width, each about the cell height.
  EXPECT_EQ(extent.width % 4, 0);
  EXPECT_GE(extent.width, 4 * 10);
  EXPECT_LE(extent.width, 4 * 13);
  EXPECT_EQ(extent, layout->extent);
}

TEST(MeasureText, IsTheExtentOfTheDrawnLayout) {
  for (const char* face : {"宋体", "Arial", "黑体", "楷体", "Courier New"}) {
    for (int height : {-15, 0, 12, 33}) {
      for (int weight : {400, 700}) {
        const LogFont font = fontOf(face, height, weight);
        const std::string text = "文字 Text 内容 AV";
        auto layout = layoutText(text, font);
        ASSERT_TRUE(layout) << layout.reason();
        EXPECT_EQ(measureText(utf8ToGbk(text).value(), font), layout->extent) << face;
      }
    }
  }
}

TEST(MeasureText, EmptyTextIsTheCellAlone) {
  EXPECT_EQ(measureText("", fontOf("宋体", 12)), (TextExtent{0, 12}));
  EXPECT_EQ(measureText("", fontOf("Arial", 40)), (TextExtent{0, 40}));
  EXPECT_EQ(measureText("", fontOf("Arial", 0)), (TextExtent{0, kDefaultCellHeight}));
}

TEST(MeasureText, SameResultOnEveryThread) {
  struct Case {
    std::string gbk;
    LogFont font;
  };
  std::vector<Case> cases;
  for (const char* face : {"宋体", "Arial", "黑体", "微软雅黑", "Times New Roman", ""}) {
    for (int height : {-20, 12, 33}) {
      for (int weight : {400, 700}) {
        cases.push_back({std::string(kContentGbk), fontOf(face, height, weight)});
        cases.push_back({utf8ToGbk("Mixed 混合 text, 123").value(), fontOf(face, height, weight)});
      }
    }
  }
  std::vector<TextExtent> expected;
  for (const Case& c : cases) expected.push_back(measureText(c.gbk, c.font));

  // Fresh threads each open their own faces, all at once.
  std::vector<std::vector<TextExtent>> results(4);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < results.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round) {
        for (std::size_t i = 0; i < cases.size(); ++i) {
          const std::size_t k = (i + t * 7) % cases.size();  // different orders
          const TextExtent e = measureText(cases[k].gbk, cases[k].font);
          if (round == 0) results[t].resize(cases.size());
          results[t][k] = e;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (const auto& result : results) EXPECT_EQ(result, expected);
}

}  // namespace
}  // namespace imbrino
