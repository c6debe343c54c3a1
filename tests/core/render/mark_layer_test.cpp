#include "render/mark_layer.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/gbk.h"
#include "render/template_compose.h"

namespace imbrino {
namespace {

// A half-transparent ground with opaque and see-through text on it: every
// way a template lays colour over what lies beneath.
Template sampleMark() {
  Template mark;
  mark.background = {90, 40, 0, 0x00C08040, 128, 0, 0};
  TextObject text;
  text.setText(utf8ToGbk("Ab 样").value());
  text.font.lfHeight = 24;
  text.x = 4;
  text.y = 6;
  text.transparentBack = 1;
  text.textColour = 0x000000FF;
  text.alpha = 200;
  text.zOrder = 1;
  mark.textObjects.push_back(text);
  return mark;
}

int largestDifference(const Surface& a, const Surface& b) {
  int largest = 0;
  for (std::size_t i = 0; i < a.pixels().size(); ++i)
    for (int shift : {0, 8, 16})
      largest = std::max(largest, std::abs(static_cast<int>((a.pixels()[i] >> shift) & 0xFF) -
                                           static_cast<int>((b.pixels()[i] >> shift) & 0xFF)));
  return largest;
}

// Laid over any picture, the layer gives what drawing the template there
// gives, give or take the rounding of the two blends.
TEST(MarkLayer, LaidOverAPictureMatchesTheTemplateDrawnOnIt) {
  const Template mark = sampleMark();
  const MarkLayer layer = renderMarkLayer(mark, nullptr).value();
  for (Pixel ground : {kPixelWhite, kPixelBlack, makePixel(30, 160, 90)}) {
    Surface drawn = Surface::create(120, 60, ground).value();
    Surface laid = drawn;
    drawTemplate(drawn, 7, 5, mark, false, false);
    blendMarkLayer(laid, layer, 7, 5);
    EXPECT_LE(largestDifference(drawn, laid), 2) << std::hex << ground;
  }
}

// Turned a quarter counter-clockwise, the top-right corner comes to the top
// left and the layer stands on its short side.
TEST(MarkLayer, TurnsCounterClockwiseIntoItsBoundingBox) {
  MarkLayer layer{20, 10, std::vector<std::uint32_t>(200, 0)};
  layer.pixels[19] = 0xFFFF0000;  // top right, opaque red
  const MarkLayer turned = turnMarkLayer(layer, 90).value();
  ASSERT_EQ(turned.width, 10);
  ASSERT_EQ(turned.height, 20);
  EXPECT_EQ(turned.pixels[0], 0xFFFF0000u);
  const MarkLayer slanted = turnMarkLayer(layer, 30).value();
  EXPECT_EQ(slanted.width, 23);   // 20 cos 30 + 10 sin 30 = 22.3
  EXPECT_EQ(slanted.height, 19);  // 20 sin 30 + 10 cos 30 = 18.7
}

}  // namespace
}  // namespace imbrino
