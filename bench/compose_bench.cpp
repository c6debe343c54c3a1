// drawTemplate's cost: a 300 x 100 half-transparent logo (text and a keyed
// picture) stamped onto a 12-megapixel picture, and a 1000 x 1000 template with
// 20 objects painted with every frame, as the editor repaints its canvas.

#include <benchmark/benchmark.h>

#include "platform/gbk.h"
#include "render/painter.h"
#include "render/template_compose.h"

namespace imbrino {
namespace {

std::unique_ptr<PictureObject> keyedPicture(int size, Rect box, int level, std::int16_t alpha) {
  auto picture = std::make_unique<PictureObject>();
  picture->picture = Surface::create(size, size, makePixel(255, 0, 255)).value();
  Painter(picture->picture).fill({size / 4, size / 4, size / 2, size / 2}, makePixel(20, 90, 200));
  picture->sourceWidth = picture->sourceHeight = size;
  picture->x = box.x;
  picture->y = box.y;
  picture->width = box.width;
  picture->height = box.height;
  picture->transparent = 1;
  picture->alpha = alpha;
  picture->zOrder = level;
  return picture;
}

TextObject text(const char* utf8, int height, int x, int y, int level, std::int16_t alpha) {
  TextObject t;
  t.setText(*utf8ToGbk(utf8));
  t.font.lfHeight = height;
  t.x = x;
  t.y = y;
  t.zOrder = level;
  t.alpha = alpha;
  t.transparentBack = 1;
  return t;
}

void BM_StampLogoOn12Megapixels(benchmark::State& state) {
  Template logo;
  logo.background = {300, 100, 0, 0x00FFFFFF, 128, 0, 0};
  logo.pictureObjects.push_back(keyedPicture(80, {10, 10, 80, 80}, 1, 255));
  logo.textObjects.push_back(text("Imbrino 样张", 32, 100, 30, 2, 255));
  Surface picture = Surface::create(4000, 3000, makePixel(90, 120, 60)).value();
  for (auto _ : state) {
    drawTemplate(picture, (4000 - 300) / 2, (3000 - 100) / 2, logo, false, false);
    benchmark::DoNotOptimize(picture.pixels().data());
  }
}

void BM_EditorRepaint1000x1000With20Objects(benchmark::State& state) {
  Template document;
  document.background = {1000, 1000, 0, 0x00E0E0E0, 255, 0, 0};
  for (int i = 0; i < 10; ++i) {
    document.textObjects.push_back(
        text("文字内容 Watermark 水印", 24 + 4 * i, 20 + 30 * i, 40 + 90 * i, 2 * i + 1,
             static_cast<std::int16_t>(i % 2 ? 255 : 160)));
    document.pictureObjects.push_back(keyedPicture(
        200, {50 * i, 60 * i, 400, 300}, 2 * i + 2, static_cast<std::int16_t>(i % 2 ? 255 : 128)));
  }
  Surface canvas = Surface::create(1000, 1000).value();
  for (auto _ : state) {
    canvas.fill(kPixelWhite);
    drawTemplate(canvas, 0, 0, document, true, true);
    benchmark::DoNotOptimize(canvas.pixels().data());
  }
}

BENCHMARK(BM_StampLogoOn12Megapixels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorRepaint1000x1000With20Objects)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace imbrino

BENCHMARK_MAIN();
